#include "world/joint_records.h"

#include <cstdlib>

#include "world/globals.h"

namespace {

// Removes the first occurrence of `joint` from the item's list; an emptied
// list is freed. Returns whether an entry was removed.
bool RemoveFromList(StageItem& it, int joint) {
  for (int k = 0; k < it.jointCount; ++k) {
    if (it.jointIndexes[k] != joint) continue;
    it.jointCount -= 1;
    if (it.jointCount == 0) {
      std::free(it.jointIndexes);
      it.jointIndexes = nullptr;
      return true;
    }
    for (int m = k; m < it.jointCount; ++m) it.jointIndexes[m] = it.jointIndexes[m + 1];
    // Shrinking cannot lose data: when it fails the larger block stays in use.
    void* shrunk = std::realloc(it.jointIndexes, sizeof(int32_t) * it.jointCount);
    if (shrunk) it.jointIndexes = static_cast<int32_t*>(shrunk);
    return true;
  }
  return false;
}

}  // namespace

void DestroyJoint(int /*item*/, int joint) {
  if (joint < 0 || joint >= kJointTableSize) return;
  JointRecord& rec = g_joints[joint];
  if (rec.joint) {
    dJointDestroy(rec.joint);
    rec.joint = nullptr;
  }
  rec.type = kJointFree;
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& it = g_items[i];
    if (it.state != kItemFree) RemoveFromList(it, joint);
  }
}
