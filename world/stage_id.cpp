#include "world/stage_id.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "world/globals.h"
#include "world/types.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the stage ID is read as little-endian words");

static uint32_t s_stageIdStorage[4];
uint32_t* g_stageId = s_stageIdStorage;

void MixStageId(uint8_t* id, uint32_t value) {
  uint32_t first = (uint32_t)id[0] | ((uint32_t)id[1] << 8) | ((uint32_t)id[2] << 16) |
                   ((uint32_t)id[3] << 24);
  uint32_t s = first + value;
  std::memmove(id + 1, id + 4, 12);
  id[0] = (uint8_t)(s >> 24);
  id[13] = (uint8_t)(s >> 16);
  id[14] = (uint8_t)(s >> 8);
  id[15] = (uint8_t)s;
}

int32_t TruncateToInt32(float v) {
  // The range test is done in double so that 2^31 itself is caught; NaN fails
  // both comparisons and lands in the same place.
  double d = (double)v;
  if (!(d > -2147483649.0 && d < 2147483648.0)) return INT32_MIN;
  return (int32_t)d;
}

static int CompareByXThenYDown(float ax, float ay, float bx, float by) {
  if (ax < bx) return -1;
  if (ax > bx) return 1;
  if (ay > by) return -1;
  if (ay < by) return 1;
  return 0;
}

int CompareItemsByPosition(const void* a, const void* b) {
  const StageItem* ia = (const StageItem*)a;
  const StageItem* ib = (const StageItem*)b;
  if (ia->state == kItemFree) return 1;
  if (ib->state == kItemFree) return -1;
  const dReal* pa = dGeomGetPosition(ia->geom);
  const dReal* pb = dGeomGetPosition(ib->geom);
  return CompareByXThenYDown((float)pa[0], (float)pa[1], (float)pb[0], (float)pb[1]);
}

int CompareJointsByAnchor(const void* a, const void* b) {
  const JointRecord* ja = (const JointRecord*)a;
  const JointRecord* jb = (const JointRecord*)b;
  if (ja->type == kJointFree) return 1;
  if (jb->type == kJointFree) return -1;
  return CompareByXThenYDown(ja->anchor.x, ja->anchor.y, jb->anchor.x, jb->anchor.y);
}

static void SwapRecords(char* a, char* b, size_t width) {
  if (a == b) return;
  for (size_t i = 0; i < width; ++i) {
    char t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

// Selection sort of the short range lo..hi: the greatest record goes last,
// the first of several equal greatest ones staying where it is found.
static void ShortSort(char* lo, char* hi, size_t width,
                      int (*compare)(const void*, const void*)) {
  while (hi > lo) {
    char* max = lo;
    for (char* p = lo + width; p <= hi; p += width) {
      if (compare(p, max) > 0) max = p;
    }
    SwapRecords(max, hi, width);
    hi -= width;
  }
}

void SortStageIdRecords(void* base, size_t count, size_t width,
                        int (*compare)(const void*, const void*)) {
  if (count < 2 || width == 0) return;
  const size_t kCutoff = 8;
  std::vector<char*> loStack, hiStack;
  char* lo = (char*)base;
  char* hi = (char*)base + width * (count - 1);

  for (;;) {
    size_t size = (size_t)(hi - lo) / width + 1;
    if (size <= kCutoff) {
      ShortSort(lo, hi, width, compare);
    } else {
      char* mid = lo + (size / 2) * width;
      if (compare(lo, mid) > 0) SwapRecords(lo, mid, width);
      if (compare(lo, hi) > 0) SwapRecords(lo, hi, width);
      if (compare(mid, hi) > 0) SwapRecords(mid, hi, width);

      char* loguy = lo;
      char* higuy = hi;
      for (;;) {
        if (mid > loguy) {
          do {
            loguy += width;
          } while (loguy < mid && compare(loguy, mid) <= 0);
        }
        if (mid <= loguy) {
          do {
            loguy += width;
          } while (loguy <= hi && compare(loguy, mid) <= 0);
        }
        do {
          higuy -= width;
        } while (higuy > mid && compare(higuy, mid) > 0);
        if (higuy < loguy) break;
        SwapRecords(loguy, higuy, width);
        if (mid == higuy) mid = loguy;
      }

      higuy += width;
      if (mid < higuy) {
        do {
          higuy -= width;
        } while (higuy > mid && compare(higuy, mid) == 0);
      }
      if (mid >= higuy) {
        do {
          higuy -= width;
        } while (higuy > lo && compare(higuy, mid) == 0);
      }

      if (higuy - lo >= hi - loguy) {
        if (lo < higuy) {
          loStack.push_back(lo);
          hiStack.push_back(higuy);
        }
        if (loguy < hi) {
          lo = loguy;
          continue;
        }
      } else {
        if (loguy < hi) {
          loStack.push_back(loguy);
          hiStack.push_back(hi);
        }
        if (lo < higuy) {
          hi = higuy;
          continue;
        }
      }
    }
    if (loStack.empty()) return;
    lo = loStack.back();
    hi = hiStack.back();
    loStack.pop_back();
    hiStack.pop_back();
  }
}

int32_t StageIdAngle(const double* R) {
  float d = (float)R[0];
  if (d > 1.0f) d = 1.0f;
  if (d < -1.0f) d = -1.0f;
  float angle = ArcCosine(d);
  float degrees = angle * 57.2957763671875f;
  int32_t a = TruncateToInt32(degrees);
  // Negated as a 32-bit word, so INT32_MIN stays what it is.
  if ((float)R[4] < 0.0f) a = (int32_t)(0u - (uint32_t)a);
  return a;
}

// Signed remainder placed at a bit position of a word. A negative remainder
// sets every bit from the position upward; that is part of the ID.
static uint32_t Part(int32_t value, int32_t modulus, int shift) {
  return (uint32_t)(value % modulus) << shift;
}

// The joints of an item's list that were made in stage editing. A player's
// joint to a stage part is left out, so that a pause file carries the ID of
// the play file it was saved from.
static int32_t CountStageJoints(const StageItem& item) {
  int32_t n = 0;
  for (int32_t i = 0; i < item.jointCount; ++i) {
    int32_t j = item.jointIndexes ? item.jointIndexes[i] : -1;
    if (j < 0 || j >= kMaxJoints) continue;
    if (g_joints[j].type != kJointFree && g_joints[j].createdInMode == kModeEdit) ++n;
  }
  return n;
}

void ComputeStageId(uint32_t* id16) {
  uint8_t* id = (uint8_t*)id16;
  std::memset(id, 0, 16);

  std::vector<StageItem> items(g_items, g_items + kMaxItems);
  SortStageIdRecords(items.data(), items.size(), sizeof(StageItem), CompareItemsByPosition);
  for (const StageItem& it : items) {
    if (it.state == kItemFree || it.createdInMode != kModeEdit) continue;
    const dReal* pos = dGeomGetPosition(it.geom);
    const dReal* rot = dGeomGetRotation(it.geom);
    float px = (float)pos[0];
    float py = (float)pos[1];
    int32_t a = StageIdAngle(rot);

    float sizeA1000 = it.sizeA * 1000.0f;
    float sizeB1000 = it.sizeB * 1000.0f;
    uint32_t w1 = Part(TruncateToInt32(sizeB1000), 64, 24) |
                  Part(TruncateToInt32(sizeA1000), 64, 18) | ((uint32_t)it.state << 16) |
                  Part(TruncateToInt32(px), 256, 8) | Part(TruncateToInt32(py), 256, 0);
    MixStageId(id, w1);
    uint32_t w2 = Part(it.motorSpeed, 256, 24) | ((uint32_t)it.kind << 16) |
                  ((uint32_t)CountStageJoints(it) << 9) | Part(a, 512, 0);
    MixStageId(id, w2);
  }

  std::vector<JointRecord> joints(g_joints, g_joints + kMaxJoints);
  SortStageIdRecords(joints.data(), joints.size(), sizeof(JointRecord), CompareJointsByAnchor);
  for (const JointRecord& jr : joints) {
    if (jr.type == kJointFree || jr.createdInMode != kModeEdit) continue;
    uint32_t w1 = ((uint32_t)jr.type << 25) | Part(TruncateToInt32(jr.extraB), 512, 16) |
                  Part(TruncateToInt32(jr.anchor.x), 256, 8) |
                  Part(TruncateToInt32(jr.anchor.y), 256, 0);
    MixStageId(id, w1);
    uint32_t w2 = Part(jr.itemB, 256, 23) | Part(jr.itemA, 256, 15) |
                  Part(TruncateToInt32(jr.extraA), 512, 0);
    MixStageId(id, w2);
  }

  uint32_t area = Part(TruncateToInt32(g_area.corner2.x), 256, 24) |
                  Part(TruncateToInt32(g_area.corner2.y), 256, 16) |
                  Part(TruncateToInt32(g_area.corner1.x), 256, 8) |
                  Part(TruncateToInt32(g_area.corner1.y), 256, 0);
  MixStageId(id, area);
  MixStageId(id, (uint32_t)(g_goalType % 16));
}
