// Saving and loading stage, play and pause files through the game's own state:
// byte-exact round trips, the joint list of a goal's built-in joints, the
// stage ID that a pause file inherits, damaged files refused with the stage
// untouched, saves that fail without losing the old file, and the save prompt.
#include "stage_test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <memory>

#include "app/save_command.h"
#include "app/window_proc.h"
#include "game/goal_reached.h"
#include "ordinary_user.h"
#include "system_call_filter.h"
#include "platform/cp932.h"
#include "platform/win_user.h"
#include "render/camera.h"
#include "world/effects.h"
#include "world/goals.h"
#include "world/joints.h"
#include "world/stage_file_format.h"
#include "world/stage_files.h"
#include "world/stage_id.h"
#include "world/update_state.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}
int32_t I32At(const std::vector<uint8_t>& b, size_t at) {
  return (int32_t)((uint32_t)b[at] | ((uint32_t)b[at + 1] << 8) | ((uint32_t)b[at + 2] << 16) |
                   ((uint32_t)b[at + 3] << 24));
}
void PutI32At(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)((uint32_t)v >> (8 * i));
}
void PutF32At(std::vector<uint8_t>& b, size_t at, float f) {
  int32_t v;
  std::memcpy(&v, &f, 4);
  PutI32At(b, at, v);
}
std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
        names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class StageFilesTest : public StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    char pattern[] = "/tmp/stage_files_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    g_goalType = kGoalNone;
    g_isPlayFile = 0;
    g_stageModified = 0;
    g_stageName[0] = g_stagePath[0] = '\0';
    g_saveStageAsCommand = nullptr;
    g_savePauseFileCommand = nullptr;
  }
  void TearDown() override {
    for (const std::string& name : FilesIn(dir_)) unlink((dir_ + "/" + name).c_str());
    rmdir(dir_.c_str());
    StageTest::TearDown();
  }

  std::string Path(const char* name) const { return dir_ + "/" + name; }

  // Loads through a writable buffer, as the file commands do.
  static int Load(const std::string& path, int kind) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s", path.c_str());
    return LoadStageFile(buffer, kind);
  }

  // A stage of every shape in stage editing: a goal, a fixed box, a turned
  // bar, a rubber ball with a motor, a rotary and a fixed joint, a defined
  // area; the camera already framed as a load would frame it.
  static void BuildEditorStage(int goal) {
    g_appMode = kModeEdit;
    SetGoalType(goal);
    int box = CreateItem(D3DXVECTOR3(100, 40, 0), nullptr, 10, 6, kKindBox, 0);
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 2);
    int bar = CreateItem(D3DXVECTOR3(120, 40, 0), &turn, 1, 12, kKindCapsule, 1);
    int ball = CreateItem(D3DXVECTOR3(140, 60, 0), nullptr, 3, 0, kKindRubberBall, 1);
    D3DXVECTOR3 a1(110, 40, 0), a2(130, 50, 0);
    CreateHingeJoint(box, bar, &a1, 0);
    int fixed = CreateHingeJoint(bar, ball, &a2, 0);
    g_joints[fixed].type = kJointFixed;
    dJointSetHingeParam(g_joints[fixed].joint, dParamLoStop, 0);
    dJointSetHingeParam(g_joints[fixed].joint, dParamHiStop, 0);
    g_items[ball].motorSpeed = -3;
    g_area.corner1 = D3DXVECTOR3(20, 300, 0);
    g_area.corner2 = D3DXVECTOR3(600, 10, 0);
    g_areaEditState = kAreaDefined;
    g_clearVerified = 1;
    FitCameraToStage();
  }

  // Everything a load could change, as bytes: the stage as a pause file would
  // hold it, the globals a file sets and the window title.
  static std::string StageState() {
    std::unique_ptr<StageFileContent> c(new StageFileContent());
    std::vector<StageItem> items(kMaxItems);
    std::vector<BodyState> bodies(kMaxItems);
    std::vector<JointRecord> joints(kMaxJoints);
    int32_t* list = nullptr;
    int32_t keptLength = g_jointListLength;
    CaptureSnapshot(1, items.data(), bodies.data(), joints.data(), &list);
    std::memcpy(c->items, items.data(), sizeof c->items);
    std::memcpy(c->bodies, bodies.data(), sizeof c->bodies);
    std::memcpy(c->joints, joints.data(), sizeof c->joints);
    c->jointList.assign(list, list + g_jointListLength);
    std::free(list);
    g_jointListLength = keptLength;
    c->header.goalType = g_goalType;
    c->header.cameraPos = g_cameraPos;
    c->header.zoomLevel = g_zoomLevel;
    c->header.areaState = g_areaEditState;
    c->header.area = g_area;
    c->clearVerified = g_clearVerified;
    std::vector<uint8_t> image = BuildStageFileImage(kFileStage, *c);
    char globals[600];
    std::snprintf(globals, sizeof globals, "|%d|%d|%d|%d|%s|%s|%d|%08x%08x%08x%08x|", g_appMode,
                  g_isPlayFile, g_stageModified, g_itemCount, g_stageName, g_stagePath,
                  g_undoIndex, g_stageId[0], g_stageId[1], g_stageId[2], g_stageId[3]);
    return std::string(image.begin(), image.end()) + globals + Title();
  }

  std::string dir_;
};

// ---------------------------------------------------------------------------
// Round trips

TEST_F(StageFilesTest, StageFileSavesLoadsAndSavesToTheSameBytes) {
  BuildEditorStage(kGoalBell);
  g_stageModified = 1;
  ASSERT_EQ(SaveStageFile(Path("a").c_str(), kFileStage), 1);
  EXPECT_EQ(g_stageModified, 0);
  std::vector<uint8_t> first = ReadBytes(Path("a.stg"));
  ASSERT_EQ(first.size(), 136100u + 4 * 4);
  EXPECT_EQ(I32At(first, 136092), 4);
  EXPECT_EQ(I32At(first, first.size() - 4), 1);  // clear verified

  ClearStage();
  g_clearVerified = 0;
  SpawnShardBurst(&g_cameraPos, 20);  // a joint of the stage before just broke
  ASSERT_EQ(Load(Path("a.stg"), kFileStage), 1);
  for (const Shard& s : g_shards) EXPECT_EQ(s.life, 0);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_goalType, kGoalBell);
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(LiveJoints(), 2);
  EXPECT_EQ(g_clearVerified, 1);
  EXPECT_EQ(g_areaEditState, kAreaDefined);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_STREQ(g_stageName, "a");
  EXPECT_EQ(std::string(g_stagePath), Path("a"));
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, 1).enabled);  // export
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, 2).enabled);  // test play
  EXPECT_EQ(headless::MenuItemAt(g_editorMenu, 2).textCp932, std::string(g_testPlayStartText));

  ASSERT_EQ(SaveStageFile(Path("b").c_str(), kFileStage), 1);
  EXPECT_EQ(ReadBytes(Path("b.stg")), first);
}

// The engine keeps a body's rotation as a quaternion and rebuilds the matrix
// from it, so a rotation at an arbitrary angle comes back from a file within
// a few units in the last place, not always bit for bit. Everything else is
// exact.
TEST_F(StageFilesTest, TurnedItemsComeBackWithinRoundingOfTheirRotation) {
  g_appMode = kModeEdit;
  SetGoalType(kGoalBell);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, 0.7f);
  int bar = CreateItem(D3DXVECTOR3(120, 40, 0), &turn, 1, 12, kKindCapsule, 1);
  D3DXMatrixRotationZ(&turn, -2.1f);
  CreateItem(D3DXVECTOR3(160, 40, 0), &turn, 5, 3, kKindBox, 0);
  FitCameraToStage();
  ASSERT_EQ(SaveStageFile(Path("a").c_str(), kFileStage), 1);
  const std::vector<uint8_t> first = ReadBytes(Path("a.stg"));
  ClearStage();
  ASSERT_EQ(Load(Path("a.stg"), kFileStage), 1);
  ASSERT_EQ(SaveStageFile(Path("b").c_str(), kFileStage), 1);
  const std::vector<uint8_t> second = ReadBytes(Path("b.stg"));
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    size_t inBody = i - 28092;
    bool rotation = i >= 28092 && i < 116092 && inBody % 176 >= 72 && inBody % 176 < 168;
    if (rotation) continue;
    ASSERT_EQ(first[i], second[i]) << "offset " << i;
  }
  for (int slot : {bar, bar + 1}) {
    for (int k = 0; k < 12; ++k) {
      double a, b;
      std::memcpy(&a, &first[28092 + slot * 176 + 72 + 8 * k], 8);
      std::memcpy(&b, &second[28092 + slot * 176 + 72 + 8 * k], 8);
      EXPECT_NEAR(a, b, 1e-15) << slot << " " << k;
    }
  }
}

TEST_F(StageFilesTest, PlayFileSavesLoadsAndSavesToTheSameBytes) {
  BuildEditorStage(kGoalStartBall);
  ASSERT_EQ(SaveStageFile(Path("p").c_str(), kFilePlay), 1);
  std::vector<uint8_t> first = ReadBytes(Path("p.ply"));
  ASSERT_EQ(first.size(), 136156u + 4 * 4);
  EXPECT_EQ(I32At(first, 48), 4);  // stage item count
  EXPECT_EQ(std::memcmp(&first[68], g_editorName, 40), 0);

  ClearStage();
  ASSERT_EQ(Load(Path("p.ply"), kFilePlay), 1);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_isPlayFile, 1);
  EXPECT_EQ(g_itemCount, 4);
  EXPECT_STREQ(g_stageName, "p");
  // Written again from the placing mode: the writer leaves it first.
  ASSERT_EQ(SaveStageFile(Path("q").c_str(), kFilePlay), 1);
  EXPECT_EQ(ReadBytes(Path("q.ply")), first);
}

TEST_F(StageFilesTest, PauseFileKeepsThePlayersItemsAndRoundTrips) {
  BuildEditorStage(kGoalBell);
  g_appMode = kModePlay;
  g_isPlayFile = 1;
  int mine = CreateItem(D3DXVECTOR3(300, 100, 0), nullptr, 4, 4, kKindRubberBox, 1);
  int other = CreateItem(D3DXVECTOR3(306, 100, 0), nullptr, 2, 0, kKindBall, 1);
  D3DXVECTOR3 at(303, 100, 0);
  ASSERT_GE(CreateHingeJoint(mine, other, &at, 0), 0);
  FitCameraToStage();
  ASSERT_EQ(SaveStageFile(Path("s").c_str(), kFilePause), 1);
  std::vector<uint8_t> first = ReadBytes(Path("s.pau"));
  ASSERT_EQ(first.size(), 136156u + 4 * 6);
  EXPECT_EQ(I32At(first, 48), 4);  // only the stage's own items count

  ClearStage();
  g_appMode = kModeEdit;
  g_isPlayFile = 0;
  ASSERT_EQ(Load(Path("s.pau"), kFilePause), 1);
  EXPECT_EQ(LiveItems(), 6);
  EXPECT_EQ(LiveJoints(), 3);
  EXPECT_EQ(g_items[mine].createdInMode, kModePlay);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_isPlayFile, 1);
  ASSERT_EQ(SaveStageFile(Path("t").c_str(), kFilePause), 1);
  EXPECT_EQ(ReadBytes(Path("t.pau")), first);
}

TEST_F(StageFilesTest, SavingAStageDuringARunWritesThePlacedStateAndLeavesTheTestPlay) {
  BuildEditorStage(kGoalBell);
  D3DXVECTOR3 placed = Pos(1);
  D3DXVECTOR3 camera = g_cameraPos;
  // Enter the test play and start a run the way the game does.
  g_appMode = kModePlay;
  int mine = CreateItem(D3DXVECTOR3(300, 100, 0), nullptr, 4, 4, kKindBox, 1);
  ASSERT_GE(mine, 0);
  g_savedCameraPos = camera;
  CaptureSnapshot(1, g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
  g_appMode = kModeRun;
  g_goalPanelState = 2;
  for (int i = 0; i < 20; ++i) dWorldQuickStep(g_world, 1.0 / 30);
  g_cameraPos = D3DXVECTOR3(1, 2, 3);

  ASSERT_EQ(SaveStageFile(Path("r").c_str(), kFileStage), 1);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_goalPanelState, 0);
  EXPECT_EQ(g_items[mine].state, kItemFree);  // the player's item is gone
  EXPECT_EQ(Pos(1).x, placed.x);
  EXPECT_EQ(Pos(1).y, placed.y);
  std::vector<uint8_t> bytes = ReadBytes(Path("r.stg"));
  float cameraX;
  std::memcpy(&cameraX, &bytes[48], 4);
  EXPECT_EQ(cameraX, camera.x);
  EXPECT_EQ(bytes.size(), 136100u + 4 * 4);
  EXPECT_EQ(headless::MenuItemAt(g_editorMenu, 2).textCp932, std::string(g_testPlayStartText));
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, 3).enabled);
  EXPECT_FALSE(headless::MenuItemById(g_editorMenu, 32823).enabled);
}

// ---------------------------------------------------------------------------
// Joint lists and the stage ID

TEST_F(StageFilesTest, TruckStageListsItsBuiltInJointsPerItem) {
  g_appMode = kModeEdit;
  SetGoalType(kGoalTruck);
  ASSERT_EQ(SaveStageFile(Path("truck").c_str(), kFileStage), 1);
  std::vector<uint8_t> bytes = ReadBytes(Path("truck.stg"));
  ASSERT_EQ(bytes.size(), 136100u + 4 * 6);
  ASSERT_EQ(I32At(bytes, 136092), 6);
  const int32_t expected[] = {0, 1, 2, 0, 1, 2};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(I32At(bytes, 136096 + 4 * k), expected[k]) << k;
  // Truck, right tyre, left tyre, cab block: 3, 1, 1, 1 joints.
  EXPECT_EQ(I32At(bytes, 92 + 0 * 56 + 48), 3);
  EXPECT_EQ(I32At(bytes, 92 + 1 * 56 + 48), 1);
  EXPECT_EQ(I32At(bytes, 92 + 3 * 56 + 48), 1);
  EXPECT_EQ(I32At(bytes, 116092 + 2 * 40), kJointBuiltInFixed);

  ClearStage();
  g_goalType = kGoalNone;
  ASSERT_EQ(Load(Path("truck.stg"), kFileStage), 1);
  EXPECT_EQ(g_goalType, kGoalTruck);
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(LiveJoints(), 3);
  EXPECT_EQ(g_items[0].jointCount, 3);
  EXPECT_NE(g_truckBody, nullptr);
}

TEST_F(StageFilesTest, PauseFileCarriesTheStageIdOfItsPlayFile) {
  BuildEditorStage(kGoalRocketDoll);
  ASSERT_EQ(SaveStageFile(Path("rocket").c_str(), kFilePlay), 1);
  std::vector<uint8_t> play = ReadBytes(Path("rocket.ply"));
  uint32_t id[4];
  ComputeStageId(id);
  for (int i = 0; i < 4; ++i) EXPECT_EQ((uint32_t)I32At(play, 52 + 4 * i), id[i]) << i;

  ClearStage();
  ASSERT_EQ(Load(Path("rocket.ply"), kFilePlay), 1);
  // The player places and joins items of their own, then pauses.
  int a = CreateItem(D3DXVECTOR3(200, 150, 0), nullptr, 4, 4, kKindBox, 1);
  int b = CreateItem(D3DXVECTOR3(206, 150, 0), nullptr, 2, 0, kKindBall, 1);
  D3DXVECTOR3 at(203, 150, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &at, 0), 0);
  std::memset(g_stageId, 0, 16);
  ASSERT_EQ(SaveStageFile(Path("rocket").c_str(), kFilePause), 1);
  std::vector<uint8_t> pause = ReadBytes(Path("rocket.pau"));
  EXPECT_EQ(std::vector<uint8_t>(pause.begin() + 48, pause.begin() + 68),
            std::vector<uint8_t>(play.begin() + 48, play.begin() + 68));

  ClearStage();
  std::memset(g_stageId, 0, 16);
  ASSERT_EQ(Load(Path("rocket.pau"), kFilePause), 1);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(g_stageId[i], id[i]) << i;
}

// ---------------------------------------------------------------------------
// Damaged files

struct Damage {
  const char* what;
  bool wrongKind;  // refused as another format rather than as damaged
  std::function<void(std::vector<uint8_t>&)> apply;
};

TEST_F(StageFilesTest, DamagedFilesAreRefusedAndChangeNothing) {
  // The file to damage: a truck stage (items 0..3, joints 0..2) with a box.
  g_appMode = kModeEdit;
  SetGoalType(kGoalTruck);
  CreateItem(D3DXVECTOR3(50, 20, 0), nullptr, 4, 4, kKindBox, 1);
  ASSERT_EQ(SaveStageFile(Path("good").c_str(), kFileStage), 1);
  const std::vector<uint8_t> good = ReadBytes(Path("good.stg"));
  ClearStage();

  // The stage in memory: a changed, named bell stage.
  BuildEditorStage(kGoalBell);
  std::strcpy(g_stageName, "current");
  std::strcpy(g_stagePath, "/somewhere/current");
  g_stageModified = 0;
  UpdateWindowTitle();
  const std::string before = StageState();

  const Damage damages[] = {
      {"empty", true, [](std::vector<uint8_t>& b) { b.clear(); }},
      {"truncated", false, [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); }},
      {"last word missing", false, [](std::vector<uint8_t>& b) { b.resize(b.size() - 4); }},
      {"megabytes too long", false, [](std::vector<uint8_t>& b) { b.resize(b.size() + 3000000); }},
      {"wrong magic", true, [](std::vector<uint8_t>& b) { b[11] = 'X'; }},
      {"play file magic", true,
       [](std::vector<uint8_t>& b) { std::memcpy(b.data(), "GIZMOWORKS_PLAYONLY\0", 20); }},
      {"huge N", false, [](std::vector<uint8_t>& b) { PutI32At(b, 136092, 0x7FFFFFF0); }},
      {"negative N", false, [](std::vector<uint8_t>& b) { PutI32At(b, 136092, -6); }},
      {"N against the counts", false,
       [](std::vector<uint8_t>& b) {
         PutI32At(b, 136092, 7);
         std::vector<uint8_t> extra = {0, 0, 0, 0};
         b.insert(b.end() - 4, extra.begin(), extra.end());
       }},
      {"joint item 500", false, [](std::vector<uint8_t>& b) { PutI32At(b, 116092 + 4, 500); }},
      {"joint item -7", false, [](std::vector<uint8_t>& b) { PutI32At(b, 116092 + 8, -7); }},
      {"joint to a free slot", false, [](std::vector<uint8_t>& b) { PutI32At(b, 116092 + 8, 200); }},
      {"self joint", false,
       [](std::vector<uint8_t>& b) { PutI32At(b, 116092 + 8, I32At(b, 116092 + 4)); }},
      {"list names joint 9999", false, [](std::vector<uint8_t>& b) { PutI32At(b, 136096, 9999); }},
      {"NaN size", false,
       [](std::vector<uint8_t>& b) {
         PutF32At(b, 92 + 4 * 56 + 8, std::numeric_limits<float>::quiet_NaN());
       }},
      {"negative size", false, [](std::vector<uint8_t>& b) { PutF32At(b, 92 + 4 * 56 + 12, -4); }},
      {"state 9", false, [](std::vector<uint8_t>& b) { PutI32At(b, 92 + 4 * 56, 9); }},
      {"motor speed 50", false, [](std::vector<uint8_t>& b) { PutI32At(b, 92 + 4 * 56 + 52, 50); }},
      {"goal 9", false, [](std::vector<uint8_t>& b) { PutI32At(b, 44, 9); }},
      {"position infinite", false,
       [](std::vector<uint8_t>& b) {
         double inf = std::numeric_limits<double>::infinity();
         std::memcpy(&b[28092 + 4 * 176 + 48], &inf, 8);
       }},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> bad = good;
    d.apply(bad);
    WriteBytes(Path("bad.stg"), bad);
    headless::ClearMessageBoxes();
    EXPECT_EQ(Load(Path("bad.stg"), kFileStage), 0) << d.what;
    ASSERT_EQ(headless::MessageBoxes().size(), 1u) << d.what;
    EXPECT_EQ(headless::MessageBoxes()[0].textUtf8,
              d.wrongKind ? "未対応のファイル形式です。" : "ファイルが壊れているため開けませんでした。")
        << d.what;
    EXPECT_EQ(headless::MessageBoxes()[0].captionCp932, std::string(g_appTitle));
    EXPECT_EQ(StageState(), before) << d.what;
    EXPECT_EQ(ReadBytes(Path("bad.stg")), bad) << d.what;
  }
  // The undamaged file still loads.
  EXPECT_EQ(Load(Path("good.stg"), kFileStage), 1);
  EXPECT_EQ(LiveItems(), 5);
}

TEST_F(StageFilesTest, ACameraZoomOrCountTheGameReplacesNeverReachesIt) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("odd").c_str(), kFilePlay), 1);
  const D3DXVECTOR3 fitted = g_cameraPos;
  const int32_t fittedZoom = g_zoomLevel;
  std::vector<uint8_t> bytes = ReadBytes(Path("odd.ply"));
  const int32_t count = I32At(bytes, 48);
  PutF32At(bytes, 108, std::numeric_limits<float>::quiet_NaN());
  PutF32At(bytes, 116, std::numeric_limits<float>::infinity());
  PutI32At(bytes, 120, 99);
  PutI32At(bytes, 48, -5);
  WriteBytes(Path("odd.ply"), bytes);
  g_cameraPos = D3DXVECTOR3(1, 2, 3);
  ASSERT_EQ(Load(Path("odd.ply"), kFilePlay), 1);
  EXPECT_EQ(g_cameraPos, fitted);
  EXPECT_EQ(g_zoomLevel, fittedZoom);
  EXPECT_EQ(g_itemCount, count);
}

TEST_F(StageFilesTest, AnItemOfAnUnknownKindIsLeftOutWithAMessage) {
  // A truck stage (truck 0, tyres 1 and 2, cab 3; joints 0..2) and a box.
  g_appMode = kModeEdit;
  SetGoalType(kGoalTruck);
  CreateItem(D3DXVECTOR3(50, 20, 0), nullptr, 4, 4, kKindBox, 1);
  ASSERT_EQ(SaveStageFile(Path("stage").c_str(), kFileStage), 1);
  std::vector<uint8_t> bytes = ReadBytes(Path("stage.stg"));
  ASSERT_EQ(I32At(bytes, 92 + 1 * 56 + 4), kKindTire);
  PutI32At(bytes, 92 + 1 * 56 + 4, 0x30);  // the right tyre
  WriteBytes(Path("odd.stg"), bytes);
  ClearStage();

  headless::ClearMessageBoxes();
  ASSERT_EQ(Load(Path("odd.stg"), kFileStage), 1);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(), "予定外のオブジェクトがロードされようとしています。");
  // The rest of the stage is there; the tyre and its joint are not.
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(g_items[1].state, kItemFree);
  EXPECT_EQ(LiveJoints(), 2);
  EXPECT_EQ(g_items[0].jointCount, 2);
  EXPECT_EQ(g_items[2].kind, kKindTire);
  EXPECT_NE(g_truckBody, nullptr);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_STREQ(g_stageName, "odd");
}

TEST_F(StageFilesTest, APipeDeviceOrFolderInPlaceOfAFileCannotBeRead) {
  BuildEditorStage(kGoalBell);
  const std::string before = StageState();
  ASSERT_EQ(mkfifo(Path("pipe.stg").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(Path("folder.ply").c_str(), 0700), 0);
  // Nothing here may wait: a pipe with no writer would wait for ever.
  alarm(30);
  for (int kind : {kFileStage, kFilePlay, kFilePause}) {
    for (const std::string& path : {Path("pipe.stg"), Path("folder.ply"), std::string("/dev/null")}) {
      headless::ClearMessageBoxes();
      EXPECT_EQ(Load(path, kind), 0) << path;
      ASSERT_EQ(headless::MessageBoxes().size(), 1u) << path;
      EXPECT_EQ(LastMessageUtf8(), "ファイルを読み込めませんでした。") << path;
    }
    // A file that is not there is passed over in silence.
    headless::ClearMessageBoxes();
    EXPECT_EQ(Load(Path("missing.stg"), kind), 0);
    EXPECT_EQ(headless::MessageBoxes().size(), 0u);
  }
  alarm(0);
  EXPECT_EQ(StageState(), before);
  rmdir(Path("folder.ply").c_str());
}

TEST_F(StageFilesTest, AFileOfAnotherKindIsNotThisKind) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("x").c_str(), kFilePlay), 1);
  const std::string before = StageState();
  EXPECT_EQ(Load(Path("x.ply"), kFileStage), 0);
  EXPECT_EQ(Load(Path("x.ply"), kFilePause), 0);
  EXPECT_EQ(LastMessageUtf8(), "未対応のファイル形式です。");
  EXPECT_EQ(StageState(), before);
}

TEST_F(StageFilesTest, NamesKeepAnExtensionOfAnotherCase) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("Upper").c_str(), kFilePlay), 1);
  ASSERT_EQ(std::rename(Path("Upper.ply").c_str(), Path("Upper.PLY").c_str()), 0);
  ASSERT_EQ(Load(Path("Upper.PLY"), kFilePlay), 1);
  EXPECT_STREQ(g_stageName, "Upper.PLY");
  EXPECT_EQ(std::string(g_stagePath), Path("Upper.PLY"));
}

// ---------------------------------------------------------------------------
// Failed saves

TEST_F(StageFilesTest, ASaveThatCannotCreateItsFileIsReported) {
  BuildEditorStage(kGoalBell);
  g_stageModified = 1;
  std::string nowhere = Path("no-such-folder/a");
  EXPECT_EQ(SaveStageFile(nowhere.c_str(), kFileStage), 0);
  EXPECT_EQ(LastMessageUtf8(),
            "ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。");
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_TRUE(FilesIn(dir_).empty());
}

TEST_F(StageFilesTest, AWriteThatFailsHalfwayKeepsTheOldFile) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("keep").c_str(), kFileStage), 1);
  const std::vector<uint8_t> old = ReadBytes(Path("keep.stg"));
  CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 4, 4, kKindBox, 1);
  g_stageModified = 1;

  // The disk fills up after 64 KB: the write fails with the file half written.
  signal(SIGXFSZ, SIG_IGN);
  rlimit keep;
  getrlimit(RLIMIT_FSIZE, &keep);
  rlimit small = keep;
  small.rlim_cur = 65536;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int result = SaveStageFile(Path("keep").c_str(), kFileStage);
  setrlimit(RLIMIT_FSIZE, &keep);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(Path("keep.stg")), old);
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"keep.stg"});  // no leftovers
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_EQ(LastMessageUtf8(),
            "ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。");
}

TEST_F(StageFilesTest, EveryNameTheFolderTakesSaves) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("short").c_str(), kFilePlay), 1);
  const std::vector<uint8_t> bytes = ReadBytes(Path("short.ply"));
  // The longest name a folder takes, extension included; in Japanese too
  // (three bytes a character on the disk).
  const std::string longest(255 - 4, 'n');
  std::string japanese;
  for (int i = 0; i < (255 - 4) / 3; ++i) japanese += "\x83\x58";  // ス
  for (const std::string& name : {longest, japanese}) {
    headless::ClearMessageBoxes();
    EXPECT_EQ(SaveStageFile(Path(name.c_str()).c_str(), kFilePlay), 1) << name.size();
    EXPECT_EQ(headless::MessageBoxes().size(), 0u);
    EXPECT_EQ(ReadBytes(GamePathToHost(Path((name + ".ply").c_str()).c_str())), bytes);
  }
  EXPECT_EQ(FilesIn(dir_).size(), 3u);  // no temporary file left
}

TEST_F(StageFilesTest, ASaveThroughLinksWritesTheFileTheyNameAndALoopIsReported) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("reference").c_str(), kFileStage), 1);
  const std::vector<uint8_t> bytes = ReadBytes(Path("reference.stg"));
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0700), 0);
  // Links to files not made yet: one relative to its own folder, one
  // through a second link to a full path.
  ASSERT_EQ(symlink("sub/new.stg", Path("dangling.stg").c_str()), 0);
  ASSERT_EQ(symlink("chain2.stg", Path("chain.stg").c_str()), 0);
  ASSERT_EQ(symlink(Path("sub/far.stg").c_str(), Path("chain2.stg").c_str()), 0);
  auto isLink = [this](const char* name) {
    struct stat st;
    return lstat(Path(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  };
  headless::ClearMessageBoxes();
  EXPECT_EQ(SaveStageFile(Path("dangling").c_str(), kFileStage), 1);
  EXPECT_EQ(SaveStageFile(Path("chain").c_str(), kFileStage), 1);
  EXPECT_TRUE(headless::MessageBoxes().empty());
  EXPECT_EQ(ReadBytes(Path("sub/new.stg")), bytes);
  EXPECT_EQ(ReadBytes(Path("sub/far.stg")), bytes);
  for (const char* link : {"dangling.stg", "chain.stg", "chain2.stg"}) EXPECT_TRUE(isLink(link)) << link;

  // Links that lead round in a loop name no file: the save says it failed,
  // the links stay and the stage keeps its changed mark.
  ASSERT_EQ(symlink("self.stg", Path("self.stg").c_str()), 0);
  ASSERT_EQ(symlink("b.stg", Path("a.stg").c_str()), 0);
  ASSERT_EQ(symlink("a.stg", Path("b.stg").c_str()), 0);
  for (const char* name : {"self", "a"}) {
    g_stageModified = 1;
    headless::ClearMessageBoxes();
    EXPECT_EQ(SaveStageFile(Path(name).c_str(), kFileStage), 0) << name;
    EXPECT_EQ(LastMessageUtf8(),
              "ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。");
    EXPECT_EQ(g_stageModified, 1);
  }
  for (const char* link : {"self.stg", "a.stg", "b.stg"}) EXPECT_TRUE(isLink(link)) << link;
  for (const char* file : {"sub/new.stg", "sub/far.stg"}) unlink(Path(file).c_str());
  rmdir(Path("sub").c_str());
}

TEST_F(StageFilesTest, AWriteProtectedFileIsNotReplacedAndTheChangeIsKept) {
  BuildEditorStage(kGoalBell);
  EXPECT_AS_ORDINARY_USER([]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    const std::string base = folder / "locked";
    ORDINARY_CHECK(SaveStageFile(base.c_str(), kFileStage) == 1);
    const std::string file = base + ".stg";
    const std::vector<uint8_t> old = ReadBytes(file);
    ORDINARY_CHECK(chmod(file.c_str(), 0444) == 0);
    CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 4, 4, kKindBox, 1);
    g_stageModified = 1;
    headless::ClearMessageBoxes();
    ORDINARY_CHECK(SaveStageFile(base.c_str(), kFileStage) == 0);
    ORDINARY_CHECK(LastMessageUtf8() ==
                   "ファイルが書き込み禁止になっているため保存できませんでした。\n"
                   "別の名前で保存してください。");
    ORDINARY_CHECK(ReadBytes(file) == old);
    ORDINARY_CHECK(g_stageModified == 1);
    struct stat st;
    ORDINARY_CHECK(stat(file.c_str(), &st) == 0 && (st.st_mode & 07777) == 0444);
    ORDINARY_CHECK(FilesIn(folder.path()).size() == 1);
    return "";
  });
}

TEST_F(StageFilesTest, AFolderThatTakesNoNewFilesHasTheFileWrittenInPlace) {
  BuildEditorStage(kGoalBell);
  EXPECT_AS_ORDINARY_USER([]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    const std::string base = folder / "open";
    const std::string file = base + ".stg";
    ORDINARY_CHECK(SaveStageFile(base.c_str(), kFileStage) == 1);
    const std::vector<uint8_t> old = ReadBytes(file);
    // What the changed stage's file holds when written the ordinary way: a
    // new joint makes it 8 bytes longer.
    int a = CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 4, 4, kKindBox, 1);
    int b = CreateItem(D3DXVECTOR3(410, 100, 0), nullptr, 4, 4, kKindBox, 1);
    D3DXVECTOR3 anchor(405, 100, 0);
    CreateHingeJoint(a, b, &anchor, 0);
    ORDINARY_CHECK(SaveStageFile((folder / "reference").c_str(), kFileStage) == 1);
    const std::vector<uint8_t> changed = ReadBytes(folder / "reference.stg");
    ORDINARY_CHECK(changed.size() == old.size() + 8);
    ORDINARY_CHECK(unlink((folder / "reference.stg").c_str()) == 0);

    ORDINARY_CHECK(chmod(folder.path().c_str(), 0555) == 0);
    // No room for the new bytes: said so, and the file is as it was.
    signal(SIGXFSZ, SIG_IGN);
    rlimit keep;
    getrlimit(RLIMIT_FSIZE, &keep);
    rlimit small = keep;
    small.rlim_cur = old.size() + 4;
    ORDINARY_CHECK(setrlimit(RLIMIT_FSIZE, &small) == 0);
    g_stageModified = 1;
    headless::ClearMessageBoxes();
    int result = SaveStageFile(base.c_str(), kFileStage);
    setrlimit(RLIMIT_FSIZE, &keep);
    ORDINARY_CHECK(result == 0);
    ORDINARY_CHECK(LastMessageUtf8() ==
                   "保存先のフォルダーに新しいファイルを作れず、上書きする空き容量も足りないため"
                   "保存できませんでした。\nファイルは元のままです。");
    ORDINARY_CHECK(ReadBytes(file) == old);
    ORDINARY_CHECK(g_stageModified == 1);

    // With room, the file itself takes the new bytes.
    headless::ClearMessageBoxes();
    ORDINARY_CHECK(SaveStageFile(base.c_str(), kFileStage) == 1);
    ORDINARY_CHECK(headless::MessageBoxes().empty());
    ORDINARY_CHECK(ReadBytes(file) == changed);
    ORDINARY_CHECK(g_stageModified == 0);
    // A write that fails after the first byte changed is told as such.
    small.rlim_cur = changed.size() - 1;
    ORDINARY_CHECK(setrlimit(RLIMIT_FSIZE, &small) == 0);
    g_stageModified = 1;
    result = SaveStageFile(base.c_str(), kFileStage);
    setrlimit(RLIMIT_FSIZE, &keep);
    ORDINARY_CHECK(result == 0);
    ORDINARY_CHECK(LastMessageUtf8() ==
                   "保存先のフォルダーに新しいファイルを作れないため直接上書きしましたが、"
                   "書き込みに失敗しました。\nファイルが壊れているおそれがあります。"
                   "別の場所に保存し直してください。");
    ORDINARY_CHECK(g_stageModified == 1);
    // A file that is not there yet cannot be made there.
    ORDINARY_CHECK(SaveStageFile((folder / "new").c_str(), kFileStage) == 0);
    ORDINARY_CHECK(LastMessageUtf8() ==
                   "ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。");
    ORDINARY_CHECK(FilesIn(folder.path()) == std::vector<std::string>{"open.stg"});
    return "";
  });
}

// In a sticky folder that everyone may write (as /tmp), a link that another
// user planted under the player's name is not followed: not to a file of
// the player's, not to a place where a file would be made, nor on from a
// link of the player's own. Nothing is written, made or cleaned up there.
// The player's own links and the folder owner's are followed, and so are
// others' links in a folder without the sticky bit.
TEST_F(StageFilesTest, ALinkAnotherUserPlantedInAStickyFolderIsNotFollowed) {
  BuildEditorStage(kGoalBell);
  ScratchFolder sticky, open, home;
  if (!MakeStickyFolderAndNotes(sticky, home) || !open.Share(0, 0, 0777))
    GTEST_SKIP() << "needs root to act as two users";
  const std::string notes = home / "notes.txt";
  const std::string stale = home / ".gizmoworks-999999999-0.tmp";
  WriteBytes(stale, {1});
  ASSERT_EQ(chown(stale.c_str(), kPlayerUser.uid, kPlayerUser.gid), 0);
  ASSERT_AS_USER(kOtherUser, [&]() -> std::string {
    ORDINARY_CHECK(symlink(notes.c_str(), (sticky / "notes.stg").c_str()) == 0);
    ORDINARY_CHECK(symlink((home / "made.stg").c_str(), (sticky / "made.stg").c_str()) == 0);
    ORDINARY_CHECK(symlink(notes.c_str(), (sticky / "theirs.stg").c_str()) == 0);
    ORDINARY_CHECK(symlink((home / "open.stg").c_str(), (open / "open.stg").c_str()) == 0);
    return "";
  });
  ASSERT_EQ(symlink((home / "admin.stg").c_str(), (sticky / "admin.stg").c_str()), 0);
  ASSERT_AS_USER(kPlayerUser, [&]() -> std::string {
    ORDINARY_CHECK(symlink("theirs.stg", (sticky / "mine.stg").c_str()) == 0);
    for (const char* name : {"notes", "made", "mine"}) {
      g_stageModified = 1;
      headless::ClearMessageBoxes();
      ORDINARY_CHECK(SaveStageFile((sticky / name).c_str(), kFileStage) == 0);
      ORDINARY_CHECK(LastMessageUtf8() ==
                     "ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。");
      ORDINARY_CHECK(g_stageModified == 1);
    }
    ORDINARY_CHECK(TextOf(notes) == "my");
    ORDINARY_CHECK(FilesIn(home.path()) ==
                   (std::vector<std::string>{".gizmoworks-999999999-0.tmp", "notes.txt"}));
    ORDINARY_CHECK(FilesIn(sticky.path()) ==
                   (std::vector<std::string>{"admin.stg", "made.stg", "mine.stg", "notes.stg",
                                             "theirs.stg"}));

    headless::ClearMessageBoxes();
    ORDINARY_CHECK(symlink((home / "own.stg").c_str(), (sticky / "own.stg").c_str()) == 0);
    for (const char* name : {"own", "admin"})
      ORDINARY_CHECK(SaveStageFile((sticky / name).c_str(), kFileStage) == 1);
    ORDINARY_CHECK(SaveStageFile((open / "open").c_str(), kFileStage) == 1);
    ORDINARY_CHECK(headless::MessageBoxes().empty());
    ORDINARY_CHECK(FilesIn(home.path()) == (std::vector<std::string>{"admin.stg", "notes.txt",
                                                                     "open.stg", "own.stg"}));
    return "";
  });
}

// The bytes of an access list (as the system stores it) that lets the file's
// owner, its group and the user read and write it, everyone else read it.
std::string AccessListLettingUserWrite(uid_t user) {
  std::string bytes;
  auto put = [&bytes](uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  put(2, 4);  // version
  const uint32_t kNoId = 0xffffffff;
  const uint32_t entries[][3] = {{0x01, 6, kNoId}, {0x02, 6, user}, {0x04, 6, kNoId},
                                 {0x10, 6, kNoId}, {0x20, 4, kNoId}};
  for (const auto& e : entries) {
    put(e[0], 2);
    put(e[1], 2);
    put(e[2], 4);
  }
  return bytes;
}

std::string AttributeOf(const std::string& path, const char* name) {
  char value[512];
  ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? "(none)" : std::string(value, static_cast<size_t>(n));
}

// A stage saved by one user of a group keeps what it was to the others: its
// group (where the saver is a member), its permissions, its extended
// attributes and access list, and its other names. Where a new file could
// not be made the same (another user's file, a group the saver is not in,
// more names than one), the file itself takes the bytes.
TEST_F(StageFilesTest, ASavedFileStaysWhatItWasToOtherUsers) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("reference").c_str(), kFileStage), 1);
  const std::vector<uint8_t> bytes = ReadBytes(Path("reference.stg"));
  ScratchFolder shared;
  ASSERT_TRUE(shared.Share(0, kSharedGroup, 0775) || geteuid() != 0);
  const std::string probe = shared / "probe";
  WriteBytes(probe, {0});
  if (setxattr(probe.c_str(), "user.probe", "1", 1, 0) != 0)
    GTEST_SKIP() << "no user extended attributes on this file system: " << std::strerror(errno);
  const std::string acl = AccessListLettingUserWrite(kPlayerUser.uid);
  const bool acls = setxattr(probe.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
  unlink(probe.c_str());
  if (!acls) std::printf("no access lists on this file system: only user attributes are checked\n");

  // What a file is to others: owner, group, permissions, number of names,
  // attributes; and which file it is.
  auto looks = [](const std::string& file) {
    struct stat st;
    if (stat(file.c_str(), &st) != 0) return std::string("(missing)");
    return std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) + " " +
           std::to_string(st.st_mode & 07777) + " x" + std::to_string(st.st_nlink) + " " +
           AttributeOf(file, "user.note") + " " + AttributeOf(file, "system.posix_acl_access");
  };
  auto inode = [](const std::string& file) {
    struct stat st;
    return stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  auto make = [&](const char* name, gid_t group, mode_t mode) -> std::string {
    const std::string file = shared / name;
    WriteBytes(file, {1, 2, 3});
    ORDINARY_CHECK(chown(file.c_str(), static_cast<uid_t>(-1), group) == 0);
    ORDINARY_CHECK(setxattr(file.c_str(), "user.note", "kept", 4, 0) == 0);
    ORDINARY_CHECK(!acls || setxattr(file.c_str(), "system.posix_acl_access", acl.data(),
                                     acl.size(), 0) == 0);
    ORDINARY_CHECK(chmod(file.c_str(), mode) == 0);
    return "";
  };
  ASSERT_AS_USER(kPlayerUser, [&]() -> std::string {
    return make("theirs.stg", kSharedGroup, 0664);
  });
  ASSERT_AS_USER(kOtherUser, [&]() -> std::string {
    std::string failed = make("mine.stg", kSharedGroup, 0664);
    if (failed.empty()) failed = make("linked.stg", kOtherUser.gid, 0644);
    if (failed.empty()) failed = make("foreign.stg", kOtherUser.gid, 0666);
    ORDINARY_CHECK(link((shared / "linked.stg").c_str(), (shared / "alias.stg").c_str()) == 0);
    return failed;
  });
  ASSERT_EQ(chown((shared / "foreign.stg").c_str(), static_cast<uid_t>(-1), kForeignGroup), 0);
  ASSERT_EQ(chmod((shared / "foreign.stg").c_str(), 0666), 0);
  std::map<std::string, std::string> before;
  std::map<std::string, ino_t> file;
  for (const char* name : {"theirs.stg", "mine.stg", "linked.stg", "foreign.stg"}) {
    before[name] = looks(shared / name);
    file[name] = inode(shared / name);
  }

  ASSERT_AS_USER(kOtherUser, [&]() -> std::string {
    headless::ClearMessageBoxes();
    for (const char* name : {"theirs", "mine", "linked", "foreign"})
      if (SaveStageFile((shared / name).c_str(), kFileStage) != 1)
        return std::string(name) + " not saved: " + LastMessageUtf8();
    ORDINARY_CHECK(headless::MessageBoxes().empty());
    return "";
  });
  for (const char* name : {"theirs.stg", "mine.stg", "linked.stg", "alias.stg", "foreign.stg"})
    EXPECT_EQ(ReadBytes(shared / name), bytes) << name;
  for (const char* name : {"theirs.stg", "mine.stg", "linked.stg", "foreign.stg"})
    EXPECT_EQ(looks(shared / name), before[name]) << name;
  // The saver's own file in a group of theirs is still replaced whole; the
  // others are written in place.
  EXPECT_NE(inode(shared / "mine.stg"), file["mine.stg"]);
  for (const char* name : {"theirs.stg", "linked.stg", "foreign.stg"})
    EXPECT_EQ(inode(shared / name), file[name]) << name;
  EXPECT_EQ(inode(shared / "alias.stg"), file["linked.stg"]);

  // The owner may still write what another user of the group saved.
  ASSERT_AS_USER(kPlayerUser, [&]() -> std::string {
    g_stageModified = 1;
    headless::ClearMessageBoxes();
    ORDINARY_CHECK(SaveStageFile((shared / "theirs").c_str(), kFileStage) == 1);
    ORDINARY_CHECK(headless::MessageBoxes().empty());
    ORDINARY_CHECK(g_stageModified == 0);
    return "";
  });
}

TEST_F(StageFilesTest, ASaveKilledMidwayLeavesNothingToCleanUp) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("kept").c_str(), kFileStage), 1);
  const std::vector<uint8_t> saved = ReadBytes(Path("kept.stg"));
  // Temporary files of runs that ended midway, also in the way older
  // versions named them beside their file.
  for (const char* stale : {".gizmoworks-999999999-0.tmp", "kept.stg.999999999-3.tmp"})
    WriteBytes(Path(stale), {1, 2, 3});
  WriteBytes(Path("notes.tmp"), {4});  // not the game's
  for (int round = 0; round < 20; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) SaveStageFile(Path("kept").c_str(), kFileStage);
    }
    usleep(2000 + 1500 * (round % 7));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(ReadBytes(Path("kept.stg")), saved) << round;
  }
  ASSERT_EQ(SaveStageFile(Path("kept").c_str(), kFileStage), 1);
  EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"kept.stg", "notes.tmp"}));
}

#if defined(__x86_64__)
// In this process from now on, opening an unnamed file (O_TMPFILE) fails as
// on a file system that has none. True when that is so.
bool RefuseUnnamedFiles() {
  constexpr uint32_t kTmpFileBit = 020000000;  // O_TMPFILE without O_DIRECTORY
  if (!FailSystemCall(__NR_openat, 2, true, kTmpFileBit, EOPNOTSUPP)) return false;  // flags
  int fd = open("/tmp", O_TMPFILE | O_WRONLY, 0600);
  if (fd >= 0) close(fd);
  return fd < 0 && errno == EOPNOTSUPP;
}

// Where no unnamed file can be made, the bytes go to a named temporary file
// that takes the file's place: the same file, nothing left beside it.
TEST_F(StageFilesTest, WithoutUnnamedFilesASaveGoesThroughANamedTemporary) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("kept").c_str(), kFileStage), 1);
  CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 4, 4, kKindBox, 1);
  ASSERT_EQ(SaveStageFile(Path("reference").c_str(), kFileStage), 1);
  const std::vector<uint8_t> changed = ReadBytes(Path("reference.stg"));
  ASSERT_EQ(unlink(Path("reference.stg").c_str()), 0);
  ASSERT_NE(ReadBytes(Path("kept.stg")), changed);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!RefuseUnnamedFiles()) _exit(2);
    _exit(SaveStageFile(Path("kept").c_str(), kFileStage) == 1 ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no system-call filter here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadBytes(Path("kept.stg")), changed);
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"kept.stg"});
}

// A file that opens but whose bytes cannot be read is reported, and the
// stage stays as it was.
TEST_F(StageFilesTest, AFileThatOpensButCannotBeReadIsReported) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("unreadable").c_str(), kFileStage), 1);
  CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 4, 4, kKindBox, 1);
  g_stageModified = 0;
  const std::string before = StageState();
  headless::ClearMessageBoxes();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The file the reader opens takes the lowest free descriptor.
    int next = open("/dev/null", O_RDONLY);
    close(next);
    if (next < 0 || !FailReadsOf(next)) _exit(2);
    if (Load(Path("unreadable.stg"), kFileStage) != 0) _exit(3);
    if (LastMessageUtf8() != "ファイルを読み込めませんでした。") _exit(4);
    if (headless::MessageBoxes().size() != 1) _exit(5);
    _exit(StageState() == before ? 0 : 6);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no system-call filter here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: loaded, 4: another message, 5: not one message, "
                                       "6: the stage changed";
  // Without the failing disk the same file loads.
  EXPECT_EQ(Load(Path("unreadable.stg"), kFileStage), 1);
  EXPECT_TRUE(headless::MessageBoxes().empty());
}
#endif

TEST_F(StageFilesTest, APlayOrPauseSaveLeavesTheChangedMarkAlone) {
  BuildEditorStage(kGoalBell);
  g_stageModified = 1;
  ASSERT_EQ(SaveStageFile(Path("m").c_str(), kFilePlay), 1);
  EXPECT_EQ(g_stageModified, 1);
  g_appMode = kModePlay;
  ASSERT_EQ(SaveStageFile(Path("m").c_str(), kFilePause), 1);
  EXPECT_EQ(g_stageModified, 1);
}

// ---------------------------------------------------------------------------
// The save prompt

TEST_F(StageFilesTest, PromptAnswers) {
  BuildEditorStage(kGoalBell);
  g_stageModified = 1;
  headless::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(AskSaveChanges(), 1);
  EXPECT_EQ(headless::MessageBoxes().back().textUtf8, "変更されたステージ内容を保存しますか？");
  EXPECT_EQ(headless::MessageBoxes().back().type & MB_TYPEMASK, (UINT)MB_YESNOCANCEL);
  headless::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(AskSaveChanges(), 0);
  EXPECT_TRUE(FilesIn(dir_).empty());
  EXPECT_EQ(g_stageModified, 1);

  // Yes with a file to save to: saved, go on.
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", Path("saved").c_str());
  g_stageFileChosen = 1;
  headless::QueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(AskSaveChanges(), 1);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"saved.stg"});
}

TEST_F(StageFilesTest, PromptStopsWhenTheSaveDidNotHappen) {
  BuildEditorStage(kGoalBell);
  g_stageModified = 1;

  // No file yet and the save-as dialog cancelled.
  static int dialogs;
  dialogs = 0;
  g_saveStageAsCommand = [] { ++dialogs; return 0; };
  headless::QueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(AskSaveChanges(), 0);
  EXPECT_EQ(dialogs, 1);

  // A file whose write fails: the writer's message, then stop.
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", Path("gone/x").c_str());
  g_stageFileChosen = 1;
  headless::ClearMessageBoxes();
  headless::QueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(AskSaveChanges(), 0);
  EXPECT_EQ(headless::MessageBoxes().size(), 2u);
  EXPECT_EQ(g_stageModified, 1);

  // With a play file loaded the pause save runs; cancelled, it stops too.
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  g_savePauseFileCommand = [] { return 0; };
  headless::QueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(AskSaveChanges(), 0);

  // During a copy drag nothing is saved.
  g_isPlayFile = 0;
  g_appMode = kModeEdit;
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", Path("drag").c_str());
  g_stageFileChosen = 1;
  g_copySourceItem = 2;
  headless::QueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(AskSaveChanges(), 0);
  g_copySourceItem = -1;
  EXPECT_TRUE(FilesIn(dir_).empty());
}

TEST_F(StageFilesTest, LoadingAfterACancelledPromptChangesNothing) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("other").c_str(), kFileStage), 1);
  CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 4, 4, kKindBox, 1);
  g_stageModified = 1;
  const std::string before = StageState();
  headless::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(Load(Path("other.stg"), kFileStage), 0);
  EXPECT_EQ(StageState(), before);

  // Declined: the file replaces the changes.
  headless::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(Load(Path("other.stg"), kFileStage), 1);
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(g_stageModified, 0);
}

TEST_F(StageFilesTest, ThePathIsGivenBackAfterASaveUnderANewName) {
  BuildEditorStage(kGoalBell);
  ASSERT_EQ(SaveStageFile(Path("wanted").c_str(), kFileStage), 1);
  g_stageModified = 1;
  static char buffer[256];
  static std::string newName;
  newName = Path("new-name");
  std::snprintf(buffer, sizeof buffer, "%s", Path("wanted.stg").c_str());
  // The save-as dialog writes its answer into the shared dialog buffer.
  g_saveStageAsCommand = [] {
    std::snprintf(buffer, sizeof buffer, "%s.stg", newName.c_str());
    std::snprintf(g_stagePath, sizeof g_stagePath, "%s", newName.c_str());
    return SaveStageFile(g_stagePath, kFileStage);
  };
  headless::QueueMessageBoxAnswer(IDYES);
  ASSERT_EQ(LoadStageFile(buffer, kFileStage), 1);
  EXPECT_EQ(std::string(buffer), Path("wanted.stg"));
  EXPECT_STREQ(g_stageName, "wanted");
  EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"new-name.stg", "wanted.stg"}));
}

// ---------------------------------------------------------------------------
// Undo after opening a pause file from stage editing

TEST_F(StageFilesTest, UndoAfterOpeningAPauseFileKeepsThePlayersItems) {
  BuildEditorStage(kGoalBell);
  g_appMode = kModePlay;
  int mine = CreateItem(D3DXVECTOR3(300, 100, 0), nullptr, 4, 4, kKindBox, 1);
  ASSERT_EQ(SaveStageFile(Path("u").c_str(), kFilePause), 1);
  ClearStage();
  g_appMode = kModeEdit;
  g_isPlayFile = 0;

  ASSERT_EQ(Load(Path("u.pau"), kFilePause), 1);
  ASSERT_EQ(g_items[mine].state, kItemMovable);
  // Ctrl+Z twice (undo and redo).
  for (int k = 0; k < 2; ++k) {
    UndoCommand();
    EXPECT_EQ(g_items[mine].state, kItemMovable) << k;
    EXPECT_EQ(g_items[mine].createdInMode, kModePlay) << k;
    EXPECT_EQ(LiveItems(), 5) << k;
  }
}

}  // namespace
