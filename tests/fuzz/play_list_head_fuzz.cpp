// The play list's reading of a play file's head (its first 108 bytes) and
// the cells it makes of it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/play_list.h"
#include "fuzz_target.h"
#include "platform/text_encoding.h"

namespace {
std::string g_path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = MakeFuzzFolder();
  g_path = folder + "/input.ply";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFuzzInput(g_path, data, size);
  StageFileHeader header;
  if (ReadPlayListHeadOf(g_path.c_str(), &header)) {
    FUZZ_CHECK(size >= kPlayListHeadSize);
    const std::string name = PlayListFieldText(header.editorName, sizeof header.editorName);
    FUZZ_CHECK(name.size() <= sizeof header.editorName);
    size_t at = 0;
    while (at < name.size()) at += static_cast<size_t>(Cp932CharLength(static_cast<unsigned char>(name[at])));
    FUZZ_CHECK(at == name.size());  // no character cut in half
    char id[64];
    std::snprintf(id, sizeof id, "%08X-%08X-%08X-%08X", header.stageId[0], header.stageId[1],
                  header.stageId[2], header.stageId[3]);
  }
  unlink(g_path.c_str());
  return 0;
}
