// artgen [folder] [--sheets prefix]: writes the game's models, textures and
// sprite atlas into folder (default "data"); with --sheets also draws contact
// sheets of everything as PNG files starting with prefix.
#include <cstring>
#include <string>

#include "tools/art.h"

int main(int argc, char** argv) {
  std::string folder = "data", sheets;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sheets") == 0 && i + 1 < argc)
      sheets = argv[++i];
    else
      folder = argv[i];
  }
  int r = art::GenerateArt(folder);
  if (r == 0 && !sheets.empty()) r = art::WriteContactSheets(folder, sheets);
  return r;
}
