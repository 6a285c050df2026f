#include <sys/stat.h>

#include <cstdio>

#include "tools/art.h"
#include "tools/art_internal.h"

namespace art {

static bool WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

int GenerateArt(const std::string& folder) {
  mkdir(folder.c_str(), 0755);
  int failures = 0;
  auto check = [&](bool ok, const std::string& name) {
    if (!ok) {
      std::fprintf(stderr, "artgen: cannot write %s\n", name.c_str());
      ++failures;
    }
  };
  std::string dir = folder + "/";
  check(WriteBmp(dir + "Sprite.bmp", BuildAtlas()), "Sprite.bmp");
  for (const Texture& t : BuildTextures()) {
    bool ok = false;
    switch (t.format) {
      case Texture::kBmp: ok = WriteBmp(dir + t.file, t.image); break;
      case Texture::kPng: ok = WritePng(dir + t.file, t.image); break;
      case Texture::kJpeg: ok = WriteJpeg(dir + t.file, t.image, 92); break;
    }
    check(ok, t.file);
  }
  for (const auto& m : BuildModels()) check(WriteText(dir + m.first, WriteX(m.second)), m.first);
  return failures ? 1 : 0;
}

}  // namespace art
