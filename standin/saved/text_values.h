// How the text container writes and reads single values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

// Shortest text that reads back to the same float; `nan`, `inf`, `-inf`.
std::string FormatFloat(float value);
// A double-quoted string with `\"`, `\\` and `\n` escaped.
std::string QuoteString(std::string_view text);

// A whole word read as a float (any decimal form, `nan`, `inf`, `-inf`).
std::optional<float> ParseFloat(std::string_view word);
// A whole word read as an integer, if it is one and lies in [low, high].
std::optional<std::int64_t> ParseInteger(std::string_view word,
                                         std::int64_t low, std::int64_t high);
// The text of a quoted word, escapes resolved; nullopt if it is not one.
std::optional<std::string> UnquoteString(std::string_view word);
// Whether a word is a number (`nan`, `inf` included) or a quoted string.
bool IsValueWord(std::string_view word);
// Whether a word can name a block: a letter or '_' first, then letters,
// digits or '_', and not a word that reads as a number.
bool IsTokenWord(std::string_view word);

}  // namespace standin
