// Failures of mesh and image files.
#pragma once

#include <stdexcept>

namespace standin {

// A mesh or image file that cannot be used. what() is one line naming the
// file and what is wrong with it: "FILE: cannot read PNG: CRC error".
struct AssetError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace standin
