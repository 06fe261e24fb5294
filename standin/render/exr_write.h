// OpenEXR files written through a C file the caller opened (an output's
// exclusive temporary file), never by reopening a name.
#pragma once

#include <ImfFrameBuffer.h>
#include <ImfHeader.h>

#include <cstdio>

namespace standin {

// Writes `rows` rows of `header`'s channels from `frame` to `file`, which
// must be seekable. Throws std::runtime_error ("cannot write EXR: ...").
void WriteExrFrame(std::FILE* file, const Imf::Header& header, const Imf::FrameBuffer& frame,
                   int rows);

}  // namespace standin
