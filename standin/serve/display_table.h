// The 8-bit display byte of each channel of a preview frame, without a
// power function per channel.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "standin/render/image.h"

namespace standin {

// DisplayByte through a table: the smallest value that shows as each byte,
// found by bisection over the floats with DisplayByte itself (which never
// decreases as the value grows), so every byte is the one DisplayByte gives.
class DisplayTable {
 public:
  explicit DisplayTable(double exposure) : exposure_(exposure) {
    for (int b = 1; b < 256; ++b) starts_[static_cast<size_t>(b - 1)] = SmallestShowing(b);
  }

  unsigned char operator()(float value) const {
    if (!(value > 0.0f)) return DisplayByte(value, exposure_);  // NaN, zero, negative
    return static_cast<unsigned char>(std::upper_bound(starts_.begin(), starts_.end(), value) -
                                      starts_.begin());
  }

 private:
  float SmallestShowing(int byte) const {
    std::uint32_t low = 0, high = 0x7f800000;  // the bits of 0 and of infinity
    while (low < high) {
      const std::uint32_t mid = low + (high - low) / 2;
      if (DisplayByte(std::bit_cast<float>(mid), exposure_) >= byte) high = mid;
      else low = mid + 1;
    }
    return std::bit_cast<float>(low);
  }

  double exposure_;
  std::array<float, 255> starts_{};
};

}  // namespace standin
