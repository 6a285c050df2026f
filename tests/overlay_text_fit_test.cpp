// Every text of the overlays measured in the game's own fonts against the
// box it is drawn in and the screen's edges: the labels and warnings under
// and over items and joints, the item counter, the palette caption, the goal
// panel and every line of every hint list wherever the cursor is.
#include <cstring>
#include <string>

#include "game/hints.h"
#include "game/overlays.h"
#include "platform/text_encoding.h"
#include "tests/hud_test_support.h"

using namespace hud;

namespace {

class TextFitTest : public HudFixture {
 protected:
  static int Width(ID3DXFont* font, const char* text) {
    SIZE s{0, 0};
    EXPECT_TRUE(GetTextExtentPoint32A(font->GetDC(), text, (int)strlen(text), &s));
    return s.cx;
  }
};

TEST_F(TextFitTest, LabelsAndWarningsFitTheirBoxes) {
  // A label's text starts 2 pixels into its box and must end inside it.
  const struct {
    const char* text;
    int boxWidth;
  } labels[] = {
      {"エリアオーバー", 80},         {"めり込み", 48},
      {"接続可", 40},                 {"可動アイテム", 72},
      {"固定アイテム", 72},           {"左モーター付きアイテム", 126},
      {"右モーター付きアイテム", 126}, {"固定アイテム", 126},
      {"ゴム付き", 50},               {"回転ジョイント", 75},
      {"固定ジョイント", 75},
  };
  for (const auto& l : labels) {
    SIZE s{0, 0};
    const char* cp932 = Cp932Text(l.text);
    ASSERT_TRUE(GetTextExtentPoint32A(g_labelFont->GetDC(), cp932, (int)strlen(cp932), &s));
    EXPECT_LE(2 + s.cx, l.boxWidth) << l.text;
    EXPECT_LE(2 + s.cy, 16) << l.text;
  }
  for (const char* speed : SpeedLabels) EXPECT_LE(2 + Width(g_labelFont, speed), 35);
}

TEST_F(TextFitTest, TheCounterTheCaptionAndTheGoalPanelFit) {
  // The counter's box holds its text at every count, 500 of 500 included, and
  // stays 115 pixels wide while the text fits that.
  for (int count : {0, 7, 99, 100, 499, 500}) {
    char text[64];
    std::snprintf(text, sizeof text, Cp932Text("アイテム数 %4d/%4d"), count, 500);
    const float box = ItemCounterBoxWidth(text);
    EXPECT_LE(5 + Width(g_labelFont, text), box) << count;
    EXPECT_GE(box, 115.0f);
    if (5 + Width(g_labelFont, text) + 2 <= 115) {
      EXPECT_EQ(box, 115.0f) << count;
    }
    EXPECT_LT(box, 160.0f) << count;
  }
  // The palette caption at (545, 465) ends before the screen's edge.
  EXPECT_LE(545 + Width(g_hintFont, Cp932Text("１・２ - アイテム変更")), 640);
  // The goal panel, 440 pixels across from x = 98: heading and every line
  // of every goal text, centred in 100 .. 540.
  EXPECT_LE(Width(g_titleFont, Cp932Text("■目的■")), 440);
  for (const char* goal : GoalTexts) {
    std::string all = goal;
    size_t from = 0;
    int lines = 0;
    while (from <= all.size()) {
      size_t end = all.find('\n', from);
      if (end == std::string::npos) end = all.size();
      EXPECT_LE(Width(g_labelFont, all.substr(from, end - from).c_str()), 440) << Cp932ToUtf8(goal);
      ++lines;
      from = end + 1;
    }
    EXPECT_LE(110 + 12 * lines, 68 + 80);  // inside the panel's box
  }
}

TEST_F(TextFitTest, EveryHintListStaysOnTheScreen) {
  // Every context, the cursor anywhere (x 400 .. 450, where lists used to run
  // off the right edge, closely), unfolding and unfolded.
  int checked = 0;
  for (int context = 0; context < kHintContextCount; ++context)
    for (int y = 0; y < 480; y += 12)
      for (int x = 0; x < 640; x += (x >= 396 && x <= 452) ? 2 : 11)
        for (float u : {0.0f, 6.0f, 15.0f}) {
          HintLineBox lines[kHintRowLength];
          const int n = LayoutHintList(context, POINT{x, y}, u, lines);
          for (int i = 0; i < n; ++i) {
            const HintLineBox& l = lines[i];
            ASSERT_EQ(l.width, Width(g_hintFont, l.text));
            const bool inside = l.x - 2 >= 0 && l.x - 2 + l.width + 4 <= 640 && l.y - 1 >= 0 &&
                                l.y - 1 + 14 <= 480;
            ASSERT_TRUE(inside) << "context " << context << " cursor " << x << "," << y << " u "
                                << u << " line " << i << " at " << l.x << "," << l.y << " width "
                                << l.width << ": " << Cp932ToUtf8(l.text);
            ++checked;
          }
        }
  EXPECT_GT(checked, 50000);
}

TEST_F(TextFitTest, AListThatFitsStandsWhereItAlwaysHas) {
  // Beside the cursor to the right, each line 15 pixels lower and further
  // left at full unfold: unchanged wherever the list fits the screen.
  HintLineBox lines[kHintRowLength];
  const int n = LayoutHintList(24, POINT{200, 150}, 15.0f, lines);
  ASSERT_EQ(n, 5);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(lines[i].x, 240.0f - 15.0f * i);
    EXPECT_EQ(lines[i].y, 150.0f + 15.0f * i);
  }
  // Near the right edge (x > 450) the list opens 140 pixels to the left and
  // 60 higher.
  ASSERT_EQ(LayoutHintList(1, POINT{500, 200}, 15.0f, lines), 8);
  EXPECT_EQ(lines[0].x, 360.0f);
  EXPECT_EQ(lines[0].y, 140.0f);
  // At x = 450 the start ball's long line is moved in from the edge, whole.
  ASSERT_EQ(LayoutHintList(25, POINT{450, 200}, 15.0f, lines), 1);
  EXPECT_EQ(lines[0].x - 2 + lines[0].width + 4, 640.0f);
  EXPECT_EQ(lines[0].y, 200.0f);
}

}  // namespace
