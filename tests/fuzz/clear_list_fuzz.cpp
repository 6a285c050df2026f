// ClearList.dat through ClearListContains and AddToClearList: an ID that was
// added is listed afterwards, and adding it again changes nothing.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "game/clear_list.h"

namespace {
std::string g_path;

std::vector<char> ReadAll() {
  std::ifstream in(g_path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = MakeFuzzFolder();
  g_path = folder + "/ClearList.dat";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFuzzInput(g_path, data, size);
  // One ID the list may hold (its first entry) and one it is unlikely to.
  uint32_t listed[4] = {};
  if (size >= 20) std::memcpy(listed, data + 4, 16);
  const uint32_t other[4] = {0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu, 0x4B5A6978u};
  for (const uint32_t* id : {static_cast<const uint32_t*>(listed), other}) {
    ClearListContains(g_path.c_str(), id);
    if (AddToClearList(g_path.c_str(), id) == 1) {
      FUZZ_CHECK(ClearListContains(g_path.c_str(), id) == 1);
      const std::vector<char> before = ReadAll();
      FUZZ_CHECK(AddToClearList(g_path.c_str(), id) == 1);
      FUZZ_CHECK(ReadAll() == before);
    }
  }
  unlink(g_path.c_str());
  return 0;
}
