// Shift-JIS (code page 932) text of the game as the drawing layer needs it:
// characters for the font engine and paths for the file system. Conversion
// to and from UTF-8 lives in platform/text_encoding.h.
#pragma once
#include <string>

// Decodes CP932 bytes (count < 0: up to the first NUL). Bytes that do not
// decode are dropped.
std::u32string Cp932ToUtf32(const char* text, int count = -1);
// A path as the game writes it ("data\Sky.x", CP932) as the host opens it:
// UTF-8 with slashes, relative paths staying relative to the current folder.
std::string GamePathToHost(const char* path);
