#include "standin/json/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "standin/json/utf8.h"

namespace standin {

namespace {

// How a number that is not finite is written: "NaN", "Infinity" or
// "-Infinity"; nullptr for a finite one.
const char* NonFiniteName(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  return nullptr;
}

}  // namespace

nlohmann::json NumberJson(double value) {
  if (const char* name = NonFiniteName(value)) return name;
  return value;
}

std::string JsonNumber(double value) {
  if (const char* name = NonFiniteName(value)) return "\"" + std::string(name) + "\"";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

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
