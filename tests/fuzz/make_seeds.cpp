// Writes the seed corpus of every fuzz target from files the game itself
// writes: stages of every goal saved as stage, play and pause files,
// Config.dat and ClearList.dat as the game writes them, the heads the play
// list reads, the game's own small texture images and its texts.
//
//   make_fuzz_seeds OUTPUT_FOLDER DATA_FOLDER
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/startup.h"
#include "fuzz_target.h"
#include "game/clear_list.h"
#include "game_setup.h"
#include "render/camera.h"
#include "world/goals.h"
#include "world/joints.h"
#include "world/stage_file_format.h"
#include "world/stage_files.h"
#include "world/stage_id.h"

namespace {

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Copy(const std::string& from, const std::string& to) {
  std::vector<char> bytes = ReadAll(from);
  if (!bytes.empty()) WriteAll(to, bytes.data(), bytes.size());
}

// A stage of every kind of part: a goal, a fixed box, a turned bar, a rubber
// ball with a motor, a rotary and a fixed joint, a defined area.
void BuildStage(int goal, bool withParts) {
  ClearStageForFiles();
  SetGoalType(goal);
  if (withParts) {
    int box = CreateItem(D3DXVECTOR3(100, 40, 0), nullptr, 10, 6, kKindBox, 0);
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 3);
    int bar = CreateItem(D3DXVECTOR3(120, 40, 0), &turn, 1, 12, kKindCapsule, 1);
    int ball = CreateItem(D3DXVECTOR3(140, 60, 0), nullptr, 3, 0, kKindRubberBall, 1);
    CreateItem(D3DXVECTOR3(300, 20, 0), nullptr, 2, 0, kKindBall, 1);
    CreateItem(D3DXVECTOR3(320, 30, 0), nullptr, 4, 8, kKindRubberBox, 1);
    D3DXVECTOR3 a1(110, 40, 0), a2(130, 50, 0);
    CreateHingeJoint(box, bar, &a1, 0);
    int fixed = CreateHingeJoint(bar, ball, &a2, 0);
    if (fixed >= 0) g_joints[fixed].type = kJointFixed;
    if (ball >= 0) g_items[ball].motorSpeed = -3;
  }
  g_area.corner1 = D3DXVECTOR3(20, 300, 0);
  g_area.corner2 = D3DXVECTOR3(600, 10, 0);
  g_areaEditState = kAreaDefined;
  g_clearVerified = withParts ? 1 : 0;
  FitCameraToStage();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUTPUT_FOLDER DATA_FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  const std::string data = argv[2];
  const char* targets[] = {"stage_load", "stage_parse", "play_list_head", "config_file",
                           "clear_list", "image",      "cp932"};
  mkdir(out.c_str(), 0755);
  for (const char* t : targets) mkdir((out + "/" + t).c_str(), 0755);

  SetUpGameForFiles();
  // The game saves its stage files into a scratch folder of its own, and the
  // seeds are copies without the game's extensions ("goal0_empty_ply"): the
  // build folder lies inside the program's folder when the game is played
  // from where it was built, and the play list shows every .ply below that.
  const std::string scratch = MakeFuzzFolder();
  std::vector<std::vector<uint32_t>> ids;
  int files = 0;
  for (int goal : {kGoalBell, kGoalStartBall, kGoalTruck, kGoalRocketDoll}) {
    for (bool parts : {false, true}) {
      BuildStage(goal, parts);
      const std::string name = "goal" + std::to_string(goal) + (parts ? "_parts" : "_empty");
      const std::string base = scratch + "/" + name;
      if (!SaveStageFile(base.c_str(), kFileStage) || !SaveStageFile(base.c_str(), kFilePlay)) return 1;
      ids.push_back(std::vector<uint32_t>(g_stageId, g_stageId + 4));
      // The player's own items go into a pause file.
      g_appMode = kModePlay;
      g_isPlayFile = 1;
      CreateItem(D3DXVECTOR3(200, 80, 0), nullptr, 2, 0, kKindBall, 1);
      CreateItem(D3DXVECTOR3(220, 80, 0), nullptr, 3, 3, kKindBox, 1);
      if (!SaveStageFile(base.c_str(), kFilePause)) return 1;
      for (const char* ext : {".stg", ".ply", ".pau"}) {
        const std::string seed = name + "_" + (ext + 1);
        Copy(base + ext, out + "/stage_load/" + seed);
        Copy(base + ext, out + "/stage_parse/" + seed);
        ++files;
      }
      // The play list reads only the head of a play file.
      std::vector<char> play = ReadAll(base + ".ply");
      play.resize(kPlayListHeadSize);
      WriteAll(out + "/play_list_head/" + name + "_ply", play.data(), play.size());
    }
  }

  // Config.dat: a first start's settings, and a moved window with a name.
  Config config;
  SetDefaultConfig(&config);
  WriteConfigFile((out + "/config_file/default.dat").c_str(), &config);
  config.windowX = 120;
  config.windowY = -40;
  std::snprintf(config.editorName, sizeof config.editorName, "%s", Cp932Text("テスト職人"));
  WriteConfigFile((out + "/config_file/named.dat").c_str(), &config);

  // ClearList.dat with one, two and all the stages' IDs.
  for (size_t n : {size_t(1), size_t(2), ids.size()}) {
    const std::string list = out + "/clear_list/list" + std::to_string(n) + ".dat";
    for (size_t i = 0; i < n; ++i) AddToClearList(list.c_str(), ids[i].data());
  }

  // The game's own small texture images, one of each format at least.
  for (const char* image : {"1Black.bmp", "Joint.bmp", "Text.jpg", "Text10.png", "Smoke.png"})
    Copy(data + "/" + image, out + "/image/" + image);

  // Texts the game shows and stores: goal names, the editor name, messages.
  int text = 0;
  auto addText = [&](const char* cp932) {
    WriteAll(out + "/cp932/text" + std::to_string(text++), cp932, std::strlen(cp932));
  };
  for (const char* name : g_goalTypeNames) addText(name);
  addText(g_editorName);
  addText(g_appTitle);
  addText(StageFileCheckMessage(kFileWrongMagic));
  addText(StageFileCheckMessage(kFileBadJoint));
  addText(Cp932Text("C:\\ゲーム\\表示\\ステージ.stg"));  // 0x5C as a second byte
  std::printf("seeds written: %d stage files and the others\n", files);
  return 0;
}
