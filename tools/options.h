// The checks and option kinds the commands share: each way of reading an
// option's text lives here once, with its message.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include <CLI/CLI.hpp>

namespace quillane {

// `text` whole as a finite number, or nothing.
std::optional<double> FiniteValue(const std::string& text);

// Option checks: empty when `text` is acceptable, else the reason.
std::string PositiveNumber(const std::string& text);  // a finite number above 0
std::string FiniteNumber(const std::string& text);    // a finite number

// A WIDTHxHEIGHT option (each 1..16384) read into `size`; left out, `size`
// keeps its value. An empty value or another text is refused by name.
CLI::Option* AddSizeOption(CLI::App& command, const std::string& name,
                           std::optional<std::pair<int, int>>& size, const std::string& help);

// "640x360" for (640, 360).
std::string SizeText(std::pair<int, int> size);

}  // namespace quillane
