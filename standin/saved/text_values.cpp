#include "standin/saved/text_values.h"

#include <charconv>
#include <cmath>

namespace standin {
namespace {

bool IsNonFiniteWord(std::string_view word) {
  if (!word.empty() && (word[0] == '-' || word[0] == '+')) word.remove_prefix(1);
  return word == "nan" || word == "inf";
}

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string FormatFloat(float value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string QuoteString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::optional<float> ParseFloat(std::string_view word) {
  if (word.empty()) return std::nullopt;
  // from_chars takes no leading '+'.
  if (word[0] == '+') word.remove_prefix(1);
  float value = 0.0f;
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  // A finite number outside float's range reads as a range error; keep the
  // infinity it stands for, as a float cast of the text would.
  if (result.ec == std::errc::result_out_of_range &&
      result.ptr == word.data() + word.size()) {
    double wide = 0.0;
    std::from_chars(word.data(), word.data() + word.size(), wide);
    return static_cast<float>(wide);
  }
  if (result.ec != std::errc() || result.ptr != word.data() + word.size())
    return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseInteger(std::string_view word,
                                         std::int64_t low, std::int64_t high) {
  if (!word.empty() && word[0] == '+') word.remove_prefix(1);
  std::int64_t value = 0;
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  if (result.ec != std::errc() || result.ptr != word.data() + word.size() ||
      value < low || value > high)
    return std::nullopt;
  return value;
}

std::optional<std::string> UnquoteString(std::string_view word) {
  if (word.size() < 2 || word.front() != '"' || word.back() != '"')
    return std::nullopt;
  std::string out;
  for (size_t i = 1; i + 1 < word.size(); ++i) {
    char c = word[i];
    if (c == '\\') {
      if (i + 2 >= word.size()) return std::nullopt;
      c = word[++i];
      if (c == 'n') c = '\n';
      else if (c != '"' && c != '\\') return std::nullopt;
    } else if (c == '"') {
      return std::nullopt;
    }
    out += c;
  }
  return out;
}

bool IsValueWord(std::string_view word) {
  if (word.empty()) return false;
  if (word[0] == '"') return UnquoteString(word).has_value();
  if (IsNonFiniteWord(word)) return true;
  if (word[0] == '+') word.remove_prefix(1);
  double value = 0.0;
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  return result.ptr == word.data() + word.size() &&
         (result.ec == std::errc() || result.ec == std::errc::result_out_of_range);
}

bool IsTokenWord(std::string_view word) {
  if (word.empty() || !IsAlpha(word[0]) || IsNonFiniteWord(word)) return false;
  for (char c : word)
    if (!IsAlpha(c) && !IsDigit(c)) return false;
  return true;
}

}  // namespace standin
