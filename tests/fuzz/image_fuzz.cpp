// Texture images (BMP, PNG, JPEG) through the decoder, chosen by signature.
#include "fuzz_target.h"
#include "platform/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Image image;
  if (DecodeImage(data, size, &image)) {
    FUZZ_CHECK(image.width > 0 && image.height > 0);
    FUZZ_CHECK(image.width <= kMaxImageSide && image.height <= kMaxImageSide);
    FUZZ_CHECK(image.argb.size() == static_cast<size_t>(image.width) * image.height);
  }
  return 0;
}
