#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <set>

namespace {

const char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// One converter per direction, opened on first use and kept for the run.
iconv_t OpenConverter(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  return cd;
}

bool Usable(iconv_t cd) { return cd != (iconv_t)-1; }

iconv_t ToUtf8() {
  static iconv_t cd = OpenConverter("UTF-8", "CP932");
  return cd;
}

iconv_t ToCp932() {
  static iconv_t cd = OpenConverter("CP932", "UTF-8");
  return cd;
}

// Length of the UTF-8 sequence led by b, 1 for a stray byte.
size_t Utf8SequenceLength(unsigned char b) {
  if (b >= 0xF0 && b <= 0xF4) return 4;
  if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
  if (b >= 0xC2) return 2;
  return 1;
}

// Runs cd over in; onBad is called at a byte iconv refuses and returns how many
// input bytes to skip after appending its replacement to out.
template <typename OnBad>
std::string Convert(iconv_t cd, std::string_view in, OnBad onBad) {
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // fresh shift state
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[256];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (r != (size_t)-1) break;
    if (errno == E2BIG) continue;
    // EILSEQ (a byte sequence that is not valid or has no mapping) or EINVAL
    // (the input ends inside a character): replace and step over it.
    size_t skip = onBad(reinterpret_cast<const unsigned char*>(src), srcLeft, out);
    if (skip > srcLeft) skip = srcLeft;
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  iconv_t cd = ToUtf8();
  if (!Usable(cd)) {
    // No converter on this system: keep ASCII, mark everything else.
    std::string out;
    for (unsigned char c : cp932) {
      if (c < 0x80) out += static_cast<char>(c); else out += kReplacementUtf8;
    }
    return out;
  }
  // Only the offending byte is skipped: when a lead byte is followed by a byte
  // that cannot trail it, that byte is read again on its own (an ASCII letter
  // after a stray lead byte survives).
  return Convert(cd, cp932, [](const unsigned char*, size_t, std::string& out) {
    out += kReplacementUtf8;
    return size_t{1};
  });
}

std::string Utf8ToCp932(std::string_view utf8) {
  iconv_t cd = ToCp932();
  if (!Usable(cd)) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
      unsigned char c = utf8[i];
      if (c < 0x80) { out += static_cast<char>(c); i += 1; }
      else { out += '?'; i += Utf8SequenceLength(c); }
    }
    return out;
  }
  return Convert(cd, utf8, [](const unsigned char* at, size_t left, std::string& out) {
    out += '?';
    size_t n = Utf8SequenceLength(at[0]);
    // A well-formed character without a CP932 form is skipped whole; a broken
    // sequence only up to its first byte that is not a continuation byte.
    size_t i = 1;
    while (i < n && i < left && (at[i] & 0xC0) == 0x80) ++i;
    return i;
  });
}

const char* Cp932Text(const char* utf8) {
  static std::set<std::string>* texts = new std::set<std::string>;
  std::string bytes = Utf8ToCp932(utf8 ? utf8 : "");
  return texts->insert(std::move(bytes)).first->c_str();
}
