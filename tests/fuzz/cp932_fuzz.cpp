// Shift-JIS (CP932) text and paths through the conversions to and from the
// host's UTF-8, and the character stepping that texts and paths rely on.
#include <string>
#include <string_view>

#include "fuzz_target.h"
#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = Cp932ToUtf8(text);
  Utf8ToCp932(utf8);
  Utf8ToCp932(text);  // the same bytes taken as UTF-8
  const std::string zeroEnded(text.c_str());
  Cp932ToUtf32(zeroEnded.c_str());
  Cp932ToUtf32(text.data(), static_cast<int>(text.size()));
  GamePathToHost(zeroEnded.c_str());
  platform::HostPathToGamePath(zeroEnded);
  size_t at = 0;
  while (at < text.size()) {
    int length = Cp932CharLength(static_cast<unsigned char>(text[at]));
    FUZZ_CHECK(length == 1 || length == 2);
    at += static_cast<size_t>(length);
  }
  return 0;
}
