// The entry points of a fuzz target. Built with libFuzzer, the fuzzer calls
// them; built without it, replay_main.cpp calls them once for every file of
// the target's seed corpus.
#pragma once
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional one-time set-up before the first input.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

// A check of the target's own: a broken promise is a finding, like a crash.
#define FUZZ_CHECK(cond)                                                       \
  do {                                                                         \
    if (!(cond)) {                                                             \
      __builtin_printf("fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      __builtin_abort();                                                       \
    }                                                                          \
  } while (0)
