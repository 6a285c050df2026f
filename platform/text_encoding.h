// Text conversion at the edge of the game.
//
// Inside the game every text is Shift-JIS as Windows code page 932 writes it
// (the bytes of the stage files, the menus, the title). Only where text leaves
// the game for the desktop (window title, menus on screen, message boxes) or
// comes in from it is it turned into UTF-8. Both directions go through iconv's
// "CP932" converter: it maps the vendor rows (NEC and IBM extensions, the
// wave dash as U+FF5E) the way the files were written, which plain SHIFT_JIS
// does not.
//
// Nothing here fails: a byte that is not valid CP932 becomes U+FFFD in the
// UTF-8 result, and a character that CP932 cannot hold (or broken UTF-8)
// becomes '?' in the CP932 result.
#pragma once
#include <string>
#include <string_view>

// CP932 bytes -> UTF-8. Embedded NUL bytes are converted like any other.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932 bytes.
std::string Utf8ToCp932(std::string_view utf8);

// A game text written in the source as UTF-8, as the CP932 bytes the game
// compares and stores. The result lives until the program ends (one copy per
// distinct text), so it can stand wherever a const char* literal would.
const char* Cp932Text(const char* utf8);

// Length in bytes of the CP932 character that starts with byte b: 2 for a
// lead byte (0x81..0x9F, 0xE0..0xFC), else 1.
inline int Cp932CharLength(unsigned char b) {
  return ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
}
