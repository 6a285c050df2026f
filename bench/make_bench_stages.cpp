// Writes the stages the window bench plays: bench300.stg and bench500.stg,
// a bell stage with that many live items (the goal's own parts included),
// the player's six kinds in rows over the field, every item movable, so a run
// has them all falling and colliding. Written by the game's own stage writer.
//
//   build/bench/make_bench_stages <folder>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/menus.h"
#include "app/shell_globals.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"
#include "platform/win_menu.h"
#include "world/globals.h"
#include "world/goals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/snapshot.h"
#include "world/stage_files.h"

namespace {

int LiveItems() {
  int n = 0;
  for (const StageItem& it : g_items) n += it.state != kItemFree;
  return n;
}

// Fills the field row by row, 25 to a row, until `total` items are live,
// keeping clear of the goal's own parts (an overlap would bar the test play).
void FillTo(int total) {
  std::vector<D3DXVECTOR3> goalParts;
  for (const StageItem& it : g_items) {
    if (it.state == kItemFree) continue;
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dGeomGetPosition(it.geom), &p);
    goalParts.push_back(p);
  }
  static const struct {
    int kind;
    float a, b;
  } kinds[] = {{kKindBall, 5, 0},      {kKindBox, 8, 6},       {kKindCapsule, 2, 8},
               {kKindRubberBall, 5, 0}, {kKindRubberBox, 8, 6}, {kKindRubberCapsule, 2, 8}};
  for (int i = 0; LiveItems() < total && i < 2 * kMaxItems; ++i) {
    const auto& k = kinds[i % 6];
    D3DXVECTOR3 at(16.0f + 31.0f * (float)(i % 25), 30.0f + 18.0f * (float)(i / 25), 0);
    bool clear = true;
    for (const D3DXVECTOR3& g : goalParts)
      clear = clear && (std::fabs(g.x - at.x) > 40.0f || std::fabs(g.y - at.y) > 40.0f);
    if (clear) CreateItem(at, nullptr, k.a, k.b, k.kind, 1);
  }
}

bool Write(const std::string& folder, int total) {
  ClearStage();
  SetGoalType(kGoalBell);
  // The placing area over the whole field: the stage can be test played.
  g_area.corner1 = D3DXVECTOR3(0, 400, 0);
  g_area.corner2 = D3DXVECTOR3(800, 0, 0);
  g_areaEditState = kAreaDefined;
  FillTo(total);
  if (LiveItems() != total) {
    std::fprintf(stderr, "only %d of %d items could be placed\n", LiveItems(), total);
    return false;
  }
  std::string path = platform::HostPathToGamePath(folder + "/bench" + std::to_string(total));
  if (SaveStageFile(path.c_str(), kFileStage) != 1) {
    std::fprintf(stderr, "cannot write %s.stg\n", path.c_str());
    return false;
  }
  std::printf("%s/bench%d.stg: %d items\n", folder.c_str(), total, total);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The folder is always named: written into the current folder by default,
  // the stages would land in the program's folder of a game played from the
  // clone, among the player's own files.
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_bench_stages FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  headless::Reset();
  RegisterGameMenus();
  g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  g_hWnd = headless::MakeWindow("", g_editorMenu);
  std::strcpy(g_editorName, "bench");
  CreatePhysicsWorld();
  AllocateSnapshotBuffers();
  g_appMode = kModeEdit;
  bool ok = Write(folder, 300) && Write(folder, 500);
  for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
  FreeSnapshotBuffers();
  DestroyPhysicsWorld();
  return ok ? 0 : 1;
}
