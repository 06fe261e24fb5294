// Writing JSON text the way the eval and panel commands print it.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace standin {

// The shortest decimal form that reads back to the same double; the
// strings "NaN", "Infinity" and "-Infinity" for values that are not finite.
std::string JsonNumber(double value);
// The same as a JSON value: the number, or one of those strings.
nlohmann::json NumberJson(double value);
// A JSON string literal, always valid UTF-8: control characters escaped,
// bytes that are not well-formed UTF-8 replaced by \ufffd each.
std::string JsonString(std::string_view text);

}  // namespace standin
