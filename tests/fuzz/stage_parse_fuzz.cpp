// The stage, play and pause file reader alone, without the physics world, so
// it runs fast: every image is checked as each kind. A sound image must come
// back from the writer as an image that reads the same again.
#include <memory>
#include <vector>

#include "fuzz_target.h"
#include "world/stage_file_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<StageFileContent> content(new StageFileContent());
  static std::unique_ptr<StageFileContent> again(new StageFileContent());
  for (int kind : {kFileStage, kFilePlay, kFilePause}) {
    if (ParseStageFileImage(kind, data, size, content.get()) != kFileOk) continue;
    const std::vector<uint8_t> image = BuildStageFileImage(kind, *content);
    FUZZ_CHECK(ParseStageFileImage(kind, image.data(), image.size(), again.get()) == kFileOk);
    FUZZ_CHECK(BuildStageFileImage(kind, *again) == image);
  }
  return 0;
}
