// Config.dat through ReadConfigFile. A record read as sound is written and
// read back unchanged.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "fuzz_target.h"

namespace {
std::string g_input, g_output;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = MakeFuzzFolder();
  g_input = folder + "/Config.dat";
  g_output = folder + "/Written.dat";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFuzzInput(g_input, data, size);
  Config config;
  int sound = ReadConfigFile(g_input.c_str(), &config);
  FUZZ_CHECK(std::memchr(config.editorName, '\0', sizeof config.editorName) != nullptr);
  if (sound) {
    FUZZ_CHECK(WriteConfigFile(g_output.c_str(), &config) == 1);
    Config back;
    FUZZ_CHECK(ReadConfigFile(g_output.c_str(), &back) == 1);
    FUZZ_CHECK(std::memcmp(&back, &config, sizeof config) == 0);
  }
  return 0;
}
