#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

// Converts with iconv, skipping input bytes that do not convert.
std::string Convert(const char* to, const char* text, size_t length) {
  std::string out;
  iconv_t cd = iconv_open(to, "CP932");
  if (cd == (iconv_t)-1) return out;
  char* in = const_cast<char*>(text);
  size_t inLeft = length;
  char buffer[1024];
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buffer, (size_t)(o - buffer));
    if (r == (size_t)-1) {
      if (errno == E2BIG) continue;
      // An invalid or cut-off sequence: drop one byte and go on.
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

size_t LengthOf(const char* text, int count) {
  if (!text) return 0;
  return count < 0 ? strlen(text) : (size_t)count;
}

}  // namespace

std::u32string Cp932ToUtf32(const char* text, int count) {
  std::string bytes = Convert("UTF-32LE", text, LengthOf(text, count));
  std::u32string out(bytes.size() / 4, U'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data()) + i * 4;
    out[i] = (char32_t)(b[0] | (b[1] << 8) | (b[2] << 16) | ((uint32_t)b[3] << 24));
  }
  return out;
}

std::string GamePathToHost(const char* path) {
  // Decode first: a CP932 trail byte may be 0x5C and is not a separator.
  std::string p = Convert("UTF-8", path, LengthOf(path, -1));
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}
