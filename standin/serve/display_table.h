// The 8-bit display byte of each channel of a preview frame, without a
// power function per channel.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "standin/render/image.h"

namespace standin {

// DisplayByte through tables: the smallest value that shows as each byte,
// found by bisection over the floats with DisplayByte itself (which never
// decreases as the value grows), so every byte is the one DisplayByte gives;
// and the byte of the smallest value of each run of 2^16 floats that share
// their top bits, where the search starts (at most a byte or two below the
// answer: a run spans under 1% of its values).
class DisplayTable {
 public:
  explicit DisplayTable(double exposure) : exposure_(exposure) {
    for (int b = 1; b < 256; ++b) starts_[static_cast<size_t>(b - 1)] = SmallestShowing(b);
    unsigned char byte = 0;
    for (std::uint32_t run = 0; run < kRuns; ++run)
      first_[run] = byte = Search(std::bit_cast<float>(run << kRunBits), byte);
  }

  double exposure() const { return exposure_; }

  unsigned char operator()(float value) const {
    if (!(value > 0.0f)) return DisplayByte(value, exposure_);  // NaN, zero, negative
    return Search(value, first_[std::min(std::bit_cast<std::uint32_t>(value) >> kRunBits, kRuns - 1)]);
  }

 private:
  static constexpr std::uint32_t kRunBits = 16;
  static constexpr std::uint32_t kRuns = (0x7f800000u >> kRunBits) + 1;  // up to infinity's

  // The byte of `value`, at least `from`.
  unsigned char Search(float value, unsigned from) const {
    while (from < 255 && !(value < starts_[from])) ++from;
    return static_cast<unsigned char>(from);
  }

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
  std::array<float, 255> starts_{};  // starts_[b]: the smallest value showing b + 1
  std::vector<unsigned char> first_ = std::vector<unsigned char>(kRuns);
};

}  // namespace standin
