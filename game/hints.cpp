// The editor's hints: the texts, which rows of them apply where, and the
// cascade drawn beside the cursor.
#include "game/hints.h"
#include "render/render_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/update.h"
#include "platform/d3dx9.h"
#include "platform/win_input.h"
#include "render/world_drawing.h"
#include "world/globals.h"
#include "world/update_state.h"

// Shift-JIS bytes; texts 4 and 8, and 10 and 26, are the same words but both
// stand in the table because the rows name them by index.
const char* const EditorHintTexts[kHintTextCount] = {
    "\215\266\203N\203\212\203b\203N - \211\302\223\256\203A\203C\203e\203\200\202\360\220V\202\265\202\255\220\335\222u",  // 0 左クリック - 可動アイテムを新しく設置
    "\215\266\203h\203\211\203b\203O - \210\332\223\256",  // 1 左ドラッグ - 移動
    "\202q\201{\211E\203N\203\212\203b\203N - \215\355\217\234",  // 2 Ｒ＋右クリック - 削除
    "\215\266\203N\203\212\203b\203N - \214\305\222\350\203A\203C\203e\203\200\202\360\220V\202\265\202\255\220\335\222u",  // 3 左クリック - 固定アイテムを新しく設置
    "\202w\201{\215\266\203N\203\212\203b\203N - \214\305\222\350\203A\203C\203e\203\200\202\311\220\330\202\350\221\326\202\246",  // 4 Ｘ＋左クリック - 固定アイテムに切り替え
    "\203X\203e\201[\203W\225\224\225i\202\314\202\275\202\337\225\317\215X\225s\211\302",  // 5 ステージ部品のため変更不可
    "\202y\201{\215\266\203h\203\211\203b\203O - \203T\203C\203Y\225\317\215X",  // 6 Ｚ＋左ドラッグ - サイズ変更
    "\211E\203h\203\211\203b\203O - \211\361\223]",  // 7 右ドラッグ - 回転
    "\202w\201{\215\266\203N\203\212\203b\203N - \214\305\222\350\203A\203C\203e\203\200\202\311\220\330\202\350\221\326\202\246",  // 8 Ｘ＋左クリック - 固定アイテムに切り替え
    "\202b\202s\202q\202k\201{\215\266\203h\203\211\203b\203O - \203R\203s\201[",  // 9 ＣＴＲＬ＋左ドラッグ - コピー
    "\202w\201{\215\266\203N\203\212\203b\203N - \211\302\223\256\203A\203C\203e\203\200\202\311\220\330\202\350\221\326\202\246",  // 10 Ｘ＋左クリック - 可動アイテムに切り替え
    "\202r\202g\202h\202e\202s\201{\215\266\203h\203\211\203b\203O - \203O\203\212\203b\203h\202\311\215\207\202\355\202\271\202\304\210\332\223\256",  // 11 ＳＨＩＦＴ＋左ドラッグ - グリッドに合わせて移動
    "\202r\202g\202h\202e\202s\203L\201[ - \203O\203\212\203b\203h\202\311\215\207\202\355\202\271\202\351",  // 12 ＳＨＩＦＴキー - グリッドに合わせる
    "\202w\201{\215\266\203N\203\212\203b\203N - \214\305\222\350\203A\203C\203e\203\200\202\360\220V\202\265\202\255\220\335\222u",  // 13 Ｘ＋左クリック - 固定アイテムを新しく設置
    "\202b\201{\215\266\203N\203\212\203b\203N - \225\312\202\314\203A\203C\203e\203\200\202\306\220\332\221\261",  // 14 Ｃ＋左クリック - 別のアイテムと接続
    "\202r\202g\202h\202e\202s\201{\211E\203h\203\211\203b\203O - \223\231\212\324\212u\202\311\211\361\223]",  // 15 ＳＨＩＦＴ＋右ドラッグ - 等間隔に回転
    "\201u\203S\201[\203\213\203x\203\213\201v- \202\261\202\352\202\311\217\325\214\202\202\360\227^\202\246\202\352\202\316\203N\203\212\203A",  // 16 「ゴールベル」- これに衝撃を与えればクリア
    "\211E\203h\203\211\203b\203O - \203S\201[\203\213\203G\203\212\203A\202\360\220V\202\265\202\255\220\335\222\350",  // 17 右ドラッグ - ゴールエリアを新しく設定
    "\211E\203h\203\211\203b\203O - \203G\203\212\203A\202\314\224\315\210\315\225\317\215X",  // 18 右ドラッグ - エリアの範囲変更
    "\202w\201{\215\266\203N\203\212\203b\203N - \214\305\222\350\203W\203\207\203C\203\223\203g\202\311\220\330\202\350\221\326\202\246",  // 19 Ｘ＋左クリック - 固定ジョイントに切り替え
    "\202w\201{\215\266\203N\203\212\203b\203N - \211\361\223]\203W\203\207\203C\203\223\203g\202\311\220\330\202\350\221\326\202\246",  // 20 Ｘ＋左クリック - 回転ジョイントに切り替え
    "\202u\201{\215\266/\211E\203N\203\212\203b\203N - \203\202\201[\203^\201[\202\360\225t\211\301",  // 21 Ｖ＋左/右クリック - モーターを付加
    "\202u\201{\215\266\203N\203\212\203b\203N - \203\202\201[\203^\201[\202\314\215\266\211\361\223]\227\315\203A\203b\203v",  // 22 Ｖ＋左クリック - モーターの左回転力アップ
    "\202u\201{\211E\203N\203\212\203b\203N - \203\202\201[\203^\201[\202\314\211E\211\361\223]\227\315\203A\203b\203v",  // 23 Ｖ＋右クリック - モーターの右回転力アップ
    "\211E\203h\203\211\203b\203O - \220\335\222u\203G\203\212\203A\202\360\220V\202\265\202\255\220\335\222\350",  // 24 右ドラッグ - 設置エリアを新しく設定
    "\201u\203X\203^\201[\203g\203{\201[\203\213\201v- \202\261\202\352\202\360\203S\201[\203\213\203G\203\212\203A\223\340\202\311\223\374\202\352\202\352\202\316\203N\203\212\203A",  // 25 「スタートボール」- これをゴールエリア内に入れればクリア
    "\202w\201{\215\266\203N\203\212\203b\203N - \211\302\223\256\203A\203C\203e\203\200\202\311\220\330\202\350\221\326\202\246",  // 26 Ｘ＋左クリック - 可動アイテムに切り替え
    "\202e\201{\215\266\203h\203\211\203b\203O - \203A\203C\203e\203\200\202\314\224\315\210\315\221I\221\360",  // 27 Ｆ＋左ドラッグ - アイテムの範囲選択
    "\202e\201{\211E\203N\203\212\203b\203N - \203A\203C\203e\203\200\202\314\221I\221\360\211\360\217\234",  // 28 Ｆ＋右クリック - アイテムの選択解除
    "\202e\201{\215\266\203N\203\212\203b\203N - \221I\221\360\217\363\221\324\202\311\220\330\202\350\221\326\202\246",  // 29 Ｆ＋左クリック - 選択状態に切り替え
    "\202e\201{\215\266\203N\203\212\203b\203N - \226\242\221I\221\360\217\363\221\324\202\311\220\330\202\350\221\326\202\246",  // 30 Ｆ＋左クリック - 未選択状態に切り替え
    "\202r\202g\202h\202e\202s\201{\202y\201{\215\266\203h\203\211\203b\203O - \223\231\212\324\212u\202\311\203T\203C\203Y\225\317\215X",  // 31 ＳＨＩＦＴ＋Ｚ＋左ドラッグ - 等間隔にサイズ変更
    "\202f\201{\215\266\203N\203\212\203b\203N - \203S\203\200\202\360\225t\211\301",  // 32 Ｇ＋左クリック - ゴムを付加
    "\202f\201{\215\266\203N\203\212\203b\203N - \203S\203\200\202\360\225t\202\257\202\351",  // 33 Ｇ＋左クリック - ゴムを付ける
    "\202f\201{\215\266\203N\203\212\203b\203N - \203S\203\200\202\360\216\346\202\350\217\234\202\255",  // 34 Ｇ＋左クリック - ゴムを取り除く
    "\201u\203p\203\217\201[\203g\203\211\203b\203N\201v- \202\261\202\352\202\360\203S\201[\203\213\202\334\202\305\221\226\202\347\202\271\202\352\202\316\203N\203\212\203A",  // 35 「パワートラック」- これをゴールまで走らせればクリア
    "\201u\203\215\203P\203b\203g\201v- \202\261\202\261\202\251\202\347\203h\201[\203\213\202\252\224\362\202\321\217o\202\267",  // 36 「ロケット」- ここからドールが飛び出す
    "\201u\202\250\202\340\202\277\202\341\224\240\201v- \202\261\202\261\202\326\203h\201[\203\213\202\360\223\374\202\352\202\352\202\316\203N\203\212\203A",  // 37 「おもちゃ箱」- ここへドールを入れればクリア
};

const int32_t HintRowTable[kHintContextCount][kHintRowLength] = {
    { 0, 13, 27, 12, -1, -1, -1, -1, -1, -1},  // 0
    { 1,  7,  6,  4, 21, 32,  9,  2, -1, -1},  // 1
    { 1, 11, -1, -1, -1, -1, -1, -1, -1, -1},  // 2
    { 7, 15, -1, -1, -1, -1, -1, -1, -1, -1},  // 3
    { 8, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 4
    { 9, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 5
    {10, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 6
    { 6, 31, -1, -1, -1, -1, -1, -1, -1, -1},  // 7
    {13, 12, -1, -1, -1, -1, -1, -1, -1, -1},  // 8
    { 2, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 9
    { 1,  7,  9,  2, -1, -1, -1, -1, -1, -1},  // 10
    { 1,  6,  4,  9,  2, -1, -1, -1, -1, -1},  // 11
    { 1,  7,  6,  4, 21, 14, 32,  9,  2, -1},  // 12
    { 1,  6,  4, 14,  9,  2, -1, -1, -1, -1},  // 13
    {16, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 14
    { 3, 12, -1, -1, -1, -1, -1, -1, -1, -1},  // 15
    { 5, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 16
    { 0, 13, 27, 17, 12, -1, -1, -1, -1, -1},  // 17
    { 0, 13, 27, 18, 12, -1, -1, -1, -1, -1},  // 18
    {20,  2, -1, -1, -1, -1, -1, -1, -1, -1},  // 19
    {19,  2, -1, -1, -1, -1, -1, -1, -1, -1},  // 20
    { 1,  7,  6, 26, 32,  9,  2, -1, -1, -1},  // 21
    { 1,  7,  6, 26, 14, 32,  9,  2, -1, -1},  // 22
    {22, 23, -1, -1, -1, -1, -1, -1, -1, -1},  // 23
    { 0, 13, 27, 24, 12, -1, -1, -1, -1, -1},  // 24
    {25, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 25
    {14, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 26
    { 0, 13, 27, 28, 17, 12, -1, -1, -1, -1},  // 27
    { 0, 13, 27, 28, 18, 12, -1, -1, -1, -1},  // 28
    { 0, 13, 27, 28, 24, 12, -1, -1, -1, -1},  // 29
    {27, 28, -1, -1, -1, -1, -1, -1, -1, -1},  // 30
    {29, 28, -1, -1, -1, -1, -1, -1, -1, -1},  // 31
    {30, 28, -1, -1, -1, -1, -1, -1, -1, -1},  // 32
    {33, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 33
    {34, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 34
    {35, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 35
    { 1,  7, -1, -1, -1, -1, -1, -1, -1, -1},  // 36
    {36, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 37
    {37, -1, -1, -1, -1, -1, -1, -1, -1, -1},  // 38
};

int32_t g_hintContext = -1;
int32_t g_lastHintContext = 0;
float g_hintUnfold = 0.0f;

namespace {

// Contexts by what they tell; the numbers are the rows of HintRowTable.
enum HintRow : int32_t {
  kHintNone = -1,
  kHintEmptyStage = 0,
  kHintOwnMovable = 1,
  kHintMoving = 2,
  kHintRotating = 3,
  kHintToFixed = 4,
  kHintCopy = 5,
  kHintToMovable = 6,
  kHintResize = 7,
  kHintPlaceFixed = 8,
  kHintDelete = 9,
  kHintFan = 10,
  kHintOwnMovableConnectable = 12,
  kHintGoalBell = 14,
  kHintStagePart = 16,
  kHintEditGoalArea = 17,
  kHintEditAreaEdge = 18,
  kHintFixedJoint = 19,
  kHintRotaryJoint = 20,
  kHintOwnFixed = 21,
  kHintOwnFixedConnectable = 22,
  kHintMotor = 23,
  kHintEditPlacementArea = 24,
  kHintStartBall = 25,
  kHintConnect = 26,
  kHintEditGoalAreaHighlighted = 27,
  kHintEditAreaEdgeHighlighted = 28,
  kHintEditPlacementAreaHighlighted = 29,
  kHintSelectEmpty = 30,
  kHintSelectItem = 31,
  kHintDeselectItem = 32,
  kHintAddRubber = 33,
  kHintRemoveRubber = 34,
  kHintTruck = 35,
  kHintEditGoalObject = 36,
  kHintRocket = 37,
  kHintToyBox = 38,
};

bool Held(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

int32_t ContextWithoutItem() {
  if (g_appMode == kModePlay && g_goalType == kGoalTruck) return kHintNone;
  if (g_leftButtonDown || g_rightButtonDown) return kHintNone;
  if (g_hoveredJoint >= 0 && g_hoveredJoint < kJointTableSize &&
      g_joints[g_hoveredJoint].type != kJointFree) {
    const JointRecord& joint = g_joints[g_hoveredJoint];
    if (g_appMode != kModeEdit && joint.createdInMode != kModePlay) return kHintStagePart;
    return joint.type == kJointRotary ? kHintRotaryJoint : kHintFixedJoint;
  }
  if (Held('F')) return kHintSelectEmpty;
  if (g_cursorOnStage != 1) return kHintNone;
  if (Held('X')) return kHintPlaceFixed;
  if (g_appMode == kModeEdit) {
    if (g_areaEdgeHover == 0) {
      // The bell and the doll are placed for: their area is where the player
      // may put items. The start ball and the truck are driven into theirs.
      if (g_goalType == kGoalBell || g_goalType == kGoalRocketDoll)
        return g_anyHighlighted ? kHintEditPlacementAreaHighlighted : kHintEditPlacementArea;
      return g_anyHighlighted ? kHintEditGoalAreaHighlighted : kHintEditGoalArea;
    }
    return g_anyHighlighted ? kHintEditAreaEdgeHighlighted : kHintEditAreaEdge;
  }
  return kHintEmptyStage;
}

int32_t ContextOfGoalObject(const StageItem& item) {
  if (g_appMode == kModeEdit) {
    if (Held(VK_LBUTTON)) return kHintMoving;
    if (Held(VK_RBUTTON)) return kHintRotating;
    return kHintEditGoalObject;
  }
  if (item.kind == kKindTruck) return kHintTruck;
  if (item.kind == kKindRocket) return kHintRocket;
  return kHintToyBox;
}

int32_t ContextOfItem(const StageItem& item) {
  switch (item.kind) {
    case kKindGoalBell:
      return g_appMode == kModeEdit ? kHintMoving : kHintGoalBell;
    case kKindStartBall:
      return g_appMode == kModeEdit ? kHintMoving : kHintStartBall;
    case kKindTruck:
    case kKindRocket:
    case kKindToyBox:
      return ContextOfGoalObject(item);
    default:
      break;
  }
  const bool movable = item.state == kItemMovable;
  if (g_appMode != kModeEdit && item.createdInMode != kModePlay) return kHintStagePart;
  if (Held('G')) {
    if (item.kind == kKindBall || item.kind == kKindBox || item.kind == kKindCapsule)
      return kHintAddRubber;
    if (item.kind == kKindRubberBall || item.kind == kKindRubberBox ||
        item.kind == kKindRubberCapsule)
      return kHintRemoveRubber;
    return kHintNone;
  }
  if (Held('F')) return (item.flags & kFlagSelected) ? kHintDeselectItem : kHintSelectItem;
  if (Held('R')) return kHintDelete;
  if (Held('Z') && g_dragTool != kToolMove && item.kind != kKindFan)
    return Held(VK_CONTROL) ? kHintNone : kHintResize;
  if (Held('V') && g_dragTool != kToolMove && movable) return kHintMotor;
  if (Held('X') && item.kind != kKindFan) {
    // What a click would make of it: the other state, or while the button is
    // already down, the state it is being switched back to.
    if (movable) return g_leftButtonDown ? kHintToMovable : kHintToFixed;
    return g_leftButtonDown ? kHintToFixed : kHintToMovable;
  }
  if (Held(VK_CONTROL)) return kHintCopy;
  if (Held(VK_LBUTTON)) return kHintMoving;
  if (Held(VK_RBUTTON)) return kHintRotating;
  if (item.kind == kKindFan) return kHintFan;
  if (g_connectTarget == -1) return movable ? kHintOwnMovable : kHintOwnFixed;
  if (Held('C')) return kHintConnect;
  return movable ? kHintOwnMovableConnectable : kHintOwnFixedConnectable;
}

}  // namespace

int32_t ChooseHintContext() {
  // A hovered slot that was freed since the pick (a delete during the drag)
  // counts as nothing under the cursor.
  if (g_hoveredItem >= 0 && g_hoveredItem < kMaxItems && g_items[g_hoveredItem].state != kItemFree)
    return ContextOfItem(g_items[g_hoveredItem]);
  return ContextWithoutItem();
}

int LayoutHintList(int32_t context, POINT cursor, float unfold, HintLineBox lines[kHintRowLength]) {
  if (context < 0 || context >= kHintContextCount || !g_hintFont) return 0;
  const int32_t* row = HintRowTable[context];
  int count = 0;
  while (count < kHintRowLength && row[count] >= 0 && row[count] < kHintTextCount) ++count;

  // Beside the cursor to the right; near the right or bottom edge the list
  // opens to the left (above the cursor unless that is the top), and in the
  // bottom-left corner it climbs up and to the right of the cursor.
  float offsetX = 40.0f, offsetY = 0.0f;
  if (cursor.x > 450 || cursor.y > 400) {
    if (cursor.x < 150) {
      offsetX = (float)(15 * count + 20);
      offsetY = (float)(30 - 15 * count);
    } else if (cursor.y < 60) {
      offsetX = -140.0f;
      offsetY = 0.0f;
    } else {
      offsetX = -140.0f;
      offsetY = -60.0f;
    }
  }

  // Each line sits `unfold` pixels lower and further left than the one before.
  HDC measure = g_hintFont->GetDC();
  float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
  for (int i = 0; i < count; ++i) {
    const char* text = EditorHintTexts[row[i]];
    SIZE extent = {0, 0};
    if (!GetTextExtentPoint32A(measure, text, (int)strlen(text), &extent)) extent.cx = 0;
    HintLineBox& line = lines[i];
    line.text = text;
    line.width = (int)extent.cx;
    line.x = (float)cursor.x + offsetX - unfold * (float)i;
    line.y = (float)cursor.y + offsetY + unfold * (float)i;
    left = std::min(left, line.x - 2.0f);
    right = std::max(right, line.x - 2.0f + (float)(line.width + 4));
    top = std::min(top, line.y - 1.0f);
    bottom = std::max(bottom, line.y - 1.0f + 14.0f);
  }
  // A list that would run past an edge of the screen is slid back inside,
  // whole, so that every line can be read wherever the cursor is.
  float dx = 0.0f, dy = 0.0f;
  if (right > 640.0f) dx = 640.0f - right;
  else if (left < 0.0f) dx = -left;
  if (bottom > 480.0f) dy = 480.0f - bottom;
  else if (top < 0.0f) dy = -top;
  for (int i = 0; i < count; ++i) {
    lines[i].x += dx;
    lines[i].y += dy;
  }
  return count;
}

float UnfoldHintList(int32_t context) {
  if (context < 0 || context >= kHintContextCount || g_mouseOverButton != 0) return -1.0f;
  if (context != g_lastHintContext) {
    g_hintUnfold = 0.0f;
    g_lastHintContext = context;
  }
  const float u = g_hintUnfold;
  g_hintUnfold += 3.0f;
  if (g_hintUnfold > kHintUnfoldFull) g_hintUnfold = kHintUnfoldFull;
  return u;
}

void DrawHintList(int32_t context) {
  const float u = UnfoldHintList(context);
  if (u < 0.0f || !g_sprite || !g_hintFont) return;
  HintLineBox lines[kHintRowLength];
  const int count = LayoutHintList(context, g_mousePos, u, lines);
  const int boxAlpha = (int)(200.0f * u / kHintUnfoldFull);
  const int textAlpha = (int)(255.0f * u / kHintUnfoldFull);
  // Stage parts cannot be changed: that one line is red.
  const D3DCOLOR textColour = context == kHintStagePart ? D3DCOLOR_ARGB(textAlpha, 255, 100, 100)
                                                         : D3DCOLOR_ARGB(textAlpha, 255, 255, 255);
  RECT layout = {0, 0, 640, 480};
  for (int i = 0; i < count; ++i) {
    const HintLineBox& line = lines[i];
    D3DXMATRIX scale, move, box;
    D3DXMatrixScaling(&scale, (float)(line.width + 4), 14.0f, 1.0f);
    D3DXMatrixTranslation(&move, line.x - 2.0f, line.y - 1.0f, 0.0f);
    box = scale * move;
    g_sprite->SetTransform(&box);
    if (g_solidTexture)
      g_sprite->Draw(g_solidTexture, nullptr, nullptr, nullptr, D3DCOLOR_ARGB(boxAlpha, 0, 0, 0));

    D3DXMatrixTranslation(&move, line.x, line.y, 0.0f);
    g_sprite->SetTransform(&move);
    g_hintFont->DrawTextA(g_sprite, line.text, -1, &layout, DT_NOCLIP, textColour);
  }
}
