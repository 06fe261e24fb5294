#include "standin/json/utf8.h"

#include <cstdio>

namespace standin {
namespace {

bool Continuation(std::string_view text, size_t i, unsigned char low = 0x80,
                  unsigned char high = 0xbf) {
  if (i >= text.size()) return false;
  const auto c = static_cast<unsigned char>(text[i]);
  return c >= low && c <= high;
}

}  // namespace

size_t Utf8Sequence(std::string_view text, size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c >= 0xc2 && c <= 0xdf) return Continuation(text, i + 1) ? 2 : 0;
  if (c >= 0xe0 && c <= 0xef) {
    const unsigned char low = c == 0xe0 ? 0xa0 : 0x80, high = c == 0xed ? 0x9f : 0xbf;
    return Continuation(text, i + 1, low, high) && Continuation(text, i + 2) ? 3 : 0;
  }
  if (c >= 0xf0 && c <= 0xf4) {
    const unsigned char low = c == 0xf0 ? 0x90 : 0x80, high = c == 0xf4 ? 0x8f : 0xbf;
    return Continuation(text, i + 1, low, high) && Continuation(text, i + 2) &&
                   Continuation(text, i + 3)
               ? 4
               : 0;
  }
  return 0;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x80) continue;
    const size_t length = Utf8Sequence(text, i);
    if (length == 0) return false;
    i += length - 1;
  }
  return true;
}

std::string Printable(std::string_view text) {
  std::string out;
  char escaped[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c >= 0x80 ? Utf8Sequence(text, i) : (c < 0x20 || c == 0x7f ? 0 : 1);
    // U+0080..U+009F, the C1 controls, are 0xc2 0x80..0x9f.
    if (length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
      out += escaped;
      ++i;
    } else if (length == 0) {
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      out.append(text.substr(i, length));
      i += length - 1;
    }
  }
  return out;
}

}  // namespace standin
