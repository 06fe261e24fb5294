// Output files appear whole or not at all.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace standin {

// A file that could not be written. what() names the file.
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Calls write(tempPath) to produce the file under a temporary name in the
// same directory as `path`, then renames it to `path`. If write throws, or
// the rename fails, the temporary file is removed and a FileError naming
// `path` is thrown (a FileError from write passes through unchanged), so no
// partial file is left at `path` or beside it.
void WriteFileAtomically(const std::string& path,
                         const std::function<void(const std::string&)>& write);

// Writes `text` to `path` through WriteFileAtomically.
void WriteTextFile(const std::string& path, const std::string& text);

}  // namespace standin
