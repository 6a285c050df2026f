// The entry points of a fuzz target. Built with libFuzzer, the fuzzer calls
// them; built without it, replay_main.cpp calls them once for every file of
// the target's seed corpus.
#pragma once
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

// A folder of the target's own for the files it writes: in memory where the
// system has /dev/shm, since the game syncs every file it writes and on a
// disk that sync would be nearly all the time an input takes.
// It is removed with its files when the program ends.
inline std::string MakeFuzzFolder() {
  static std::string made;
  for (const char* base : {"/dev/shm", "/tmp"}) {
    std::string pattern = std::string(base) + "/gizmoworks_fuzz.XXXXXX";
    if (!mkdtemp(&pattern[0])) continue;
    made = pattern;
    std::atexit([] {
      if (DIR* dir = opendir(made.c_str())) {
        while (dirent* e = readdir(dir))
          if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.'))
            unlinkat(dirfd(dir), e->d_name, 0);
        closedir(dir);
      }
      rmdir(made.c_str());
    });
    return made;
  }
  std::abort();
}

// The input as the whole of the file at path, for the readers that take a file.
inline void WriteFuzzInput(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}
