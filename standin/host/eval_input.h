// `quillane eval`'s input: lines read from a file or standard input with
// read errors and overlong lines told apart from the end of the input.
#pragma once

#include <cstddef>
#include <cstdio>
#include <iosfwd>
#include <stdexcept>
#include <string>

#include "standin/host/host.h"

namespace standin {

// The longest eval line read, in bytes, without its line end.
inline constexpr std::size_t kMaxEvalLine = std::size_t{64} << 20;

// An input that cannot be read on: a read error, or a line over
// kMaxEvalLine. The message names the input.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs every non-blank line of `in` (called `name` in messages) as
// RunEvalStream does, writing one line each to `out`. Returns 1 when any
// line failed, else 0. Throws InputError, after the lines before it were
// run, when reading fails or a line is longer than kMaxEvalLine (so that
// reading an endless line ends).
int RunEvalFile(Host& host, std::FILE* in, const std::string& name, std::ostream& out);

}  // namespace standin
