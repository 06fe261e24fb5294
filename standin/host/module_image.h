// A module file's headers checked before the system loader maps it: the
// format and machine the host loads, and a file long enough for every
// segment (ELF) or section (PE) the loader maps, so that a truncated or
// foreign file gives a message instead of a crash or a misleading error.
#pragma once

#include <string>

namespace standin {

enum class ImageFormat { kElf, kPe };

// The format and machine this host's loader takes.
ImageFormat HostImageFormat();

// Checks the file at `path` as a module image for a host loading `format`
// on this machine. Returns an empty string when the loader may have it (or
// when the file cannot be opened, which the loader then reports), else the
// reason, e.g. "an ELF file for AArch64, this host is x86-64".
std::string CheckModuleImage(const std::string& path, ImageFormat format);

}  // namespace standin
