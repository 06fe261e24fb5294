#include "standin/json/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace standin {

std::string JsonNumber(double value) {
  if (std::isnan(value)) return "\"NaN\"";
  if (std::isinf(value)) return value < 0 ? "\"-Infinity\"" : "\"Infinity\"";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

namespace {

bool Continuation(std::string_view text, size_t i, unsigned char low = 0x80,
                  unsigned char high = 0xbf) {
  if (i >= text.size()) return false;
  const auto c = static_cast<unsigned char>(text[i]);
  return c >= low && c <= high;
}

// The length of the well-formed UTF-8 sequence starting at text[i] (lead
// byte 0x80 or above), or 0 when it is not one: no overlong forms, no
// surrogates, nothing above U+10FFFF.
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

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    // Bytes that are not UTF-8 (quoted from bad input) become U+FFFD, so
    // the line stays valid JSON.
    if (static_cast<unsigned char>(c) >= 0x80) {
      const size_t length = Utf8Sequence(text, i);
      if (length == 0) {
        out += "\\ufffd";
      } else {
        out.append(text.substr(i, length));
        i += length - 1;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace standin
