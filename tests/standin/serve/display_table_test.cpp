#include "standin/serve/display_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

// The table gives DisplayByte's byte at every byte's edge, one float either
// side, and for values spread over the whole range.
TEST(DisplayTable, SameBytesAsDisplayByte) {
  for (const double exposure : {1.0, 0.37, 4.0}) {
    const standin::DisplayTable table(exposure);
    std::vector<float> values{0.0f, -0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(), 1e-30f, 1e30f};
    for (int b = 0; b < 256; ++b) {
      const float edge = static_cast<float>(std::pow((b + 0.5) / 255.0, 2.2) / exposure);
      float below = edge, above = edge;
      for (int i = 0; i < 3; ++i) {
        values.push_back(below = std::nextafter(below, 0.0f));
        values.push_back(above = std::nextafter(above, 2.0f));
      }
      values.push_back(edge);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(0.0f, 1.5f);
    for (int i = 0; i < 20000; ++i) values.push_back(spread(random));
    for (const float v : values)
      ASSERT_EQ(table(v), standin::DisplayByte(v, exposure)) << v << " at exposure " << exposure;
  }
}

}  // namespace
