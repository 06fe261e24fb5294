// Output files appear whole or not at all.
#pragma once

#include <functional>
#include <string>

#include "standin/render/output_files.h"

namespace standin {

// Calls write(tempPath) to produce the file under a temporary name in the
// same directory as `path`, then renames it to `path`. If write throws, or
// the rename fails, the temporary file is removed and a FileError naming
// `path` is thrown (a FileError from write passes through unchanged), so no
// partial file is left at `path` or beside it.
void WriteFileAtomically(const std::string& path,
                         const std::function<void(const std::string&)>& write);

}  // namespace standin
