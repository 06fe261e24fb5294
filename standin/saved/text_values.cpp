#include "standin/saved/text_values.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

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

// The double a syntactically valid number out of float's range stands for.
// Beyond a double's range too, from_chars leaves no value: its decimal
// exponent (the digits before the point plus the written exponent) tells an
// overflow (infinity) from an underflow (zero).
double OutOfRange(std::string_view word) {
  double wide = 0.0;
  if (std::from_chars(word.data(), word.data() + word.size(), wide).ec == std::errc())
    return wide;
  const bool negative = word[0] == '-';
  if (negative) word.remove_prefix(1);
  const size_t e = word.find_first_of("eE");
  const std::string_view digits = word.substr(0, e);
  long long exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view written = word.substr(e + 1);
    if (!written.empty() && written[0] == '+') written.remove_prefix(1);
    if (std::from_chars(written.data(), written.data() + written.size(), exponent).ec != std::errc())
      exponent = written[0] == '-' ? LLONG_MIN / 2 : LLONG_MAX / 2;
  }
  // Leading zeros, and the point, move the first significant digit.
  const size_t point = std::min(digits.find('.'), digits.size());
  const size_t first = digits.find_first_not_of("0.");
  if (first == std::string_view::npos) return negative ? -0.0 : 0.0;
  const long long shift = first < point ? static_cast<long long>(point - first)
                                        : -static_cast<long long>(first - point - 1);
  const double huge = std::numeric_limits<double>::infinity();
  return (exponent + shift > 0 ? huge : 0.0) * (negative ? -1.0 : 1.0);
}

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
  // value it stands for, as a float cast of the text would: infinity for
  // one too large (even beyond a double's range), zero for one too small.
  if (result.ec == std::errc::result_out_of_range &&
      result.ptr == word.data() + word.size())
    return static_cast<float>(OutOfRange(word));
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
