// The art generator: writes every model, texture and the sprite atlas of the
// game's data folder. Deterministic: the same build writes the same bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace art {

// One picture of the sprite atlas "data\Sprite.bmp" (512 x 512, colour key
// magenta). Rectangles are left, top, right, bottom; right and bottom exclusive.
struct AtlasRect {
  const char* name;
  int left, top, right, bottom;
  const char* role;      // what the game does with it
  uint32_t tint;         // sprite colour it is drawn with (ARGB); 0 = several, see role
  const char* rotation;  // how it is turned when drawn
  bool additive;         // drawn with destination blend ONE (black adds nothing)
};
const std::vector<AtlasRect>& AtlasRects();

constexpr int kAtlasSize = 512;
constexpr uint32_t kColourKey = 0xFF00FF;

// The models of the data folder, by file name, with the box each one must fill
// in model units (what the physics body needs once the drawing scale applies).
struct ModelInfo {
  const char* file;      // e.g. "Bell.x"
  float min[3], max[3];  // expected bounding box, model units
  float tolerance;
};
const std::vector<ModelInfo>& ModelInfos();

// Writes everything into `folder` (created if missing). Returns 0 on success.
int GenerateArt(const std::string& folder);

// Draws the contact sheets (atlas, textures, models rendered in software) as
// PNG files with the given path prefix.
int WriteContactSheets(const std::string& folder, const std::string& prefix);

}  // namespace art
