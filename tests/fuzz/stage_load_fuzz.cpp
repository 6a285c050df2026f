// Stage, play and pause files through LoadStageFile into the live game: the
// physics world, the tables, the menus. The kind is the one the file's magic
// names (another one when it names none, so refusals are reached too).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_target.h"
#include "game_setup.h"
#include "world/stage_file_format.h"
#include "world/stage_files.h"

namespace {
std::string g_path[3];
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetUpGameForFiles();
  const std::string folder = MakeFuzzFolder();
  for (int kind : {kFileStage, kFilePlay, kFilePause})
    g_path[kind] = folder + "/input" + StageFileExtension(kind);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int kind = static_cast<int>(size % 3);
  for (int k : {kFileStage, kFilePlay, kFilePause})
    if (size >= kMagicFieldSize && StageFileMagicMatches(data, k)) kind = k;
  const std::string& path = g_path[kind];
  WriteFuzzInput(path, data, size);
  g_stageModified = 0;  // no save prompt
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "%s", path.c_str());
  LoadStageFile(buffer, kind);
  headless::ClearMessageBoxes();
  unlink(path.c_str());
  return 0;
}
