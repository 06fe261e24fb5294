#include "tools/options.h"

#include <charconv>
#include <cmath>

#include "tools/commands.h"

namespace quillane {

std::optional<double> FiniteValue(const std::string& text) {
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::string PositiveNumber(const std::string& text) {
  const auto value = FiniteValue(text);
  return value && *value > 0.0 ? std::string() : "expected a number greater than 0, got \"" + text + "\"";
}

std::string FiniteNumber(const std::string& text) {
  return FiniteValue(text) ? std::string() : "expected a finite number, got \"" + text + "\"";
}

CLI::Option* AddSizeOption(CLI::App& command, const std::string& name,
                           std::optional<std::pair<int, int>>& size, const std::string& help) {
  auto read = [&size](const std::string& text) { size = ParseSize(text); };
  auto check = [](const std::string& text) {
    return ParseSize(text) ? std::string()
                           : "expected WIDTHxHEIGHT with each 1..16384, got \"" + text + "\"";
  };
  return command.add_option_function<std::string>(name, read, help)->check(NonEmpty)->check(check);
}

std::string SizeText(std::pair<int, int> size) {
  return std::to_string(size.first) + "x" + std::to_string(size.second);
}

}  // namespace quillane
