// Image bindings: sampling, the files behind them and the generated maps.
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "standin/assets/asset_error.h"
#include "standin/assets/image_file.h"
#include "standin/assets/make_map.h"
#include "standin/render/image.h"
#include "standin/render/texture.h"
#include "tests/tools/cli_runner.h"

namespace {

using namespace standin;

// A 2x2 grey texture: top row 0, 1; bottom row 2, 3.
Texture Grey2x2() { return {2, 2, 1, {0, 1, 2, 3}}; }

TEST(SampleImage, FiltersWrapsAndMapsChannels) {
  struct Case {
    const char* what;
    double u, v;
    Wrap wrap;
    std::vector<int> channels;
    double scale, bias;
    double expected[3];
  };
  const Case cases[] = {
      {"bottom-left texel centre", 0.25, 0.25, Wrap::Repeat, {0}, 1, 0, {2, 2, 2}},
      {"top-right texel centre", 0.75, 0.75, Wrap::Repeat, {0}, 1, 0, {1, 1, 1}},
      {"middle: mean of four", 0.5, 0.5, Wrap::Repeat, {0}, 1, 0, {1.5, 1.5, 1.5}},
      {"repeat across the left edge", 0.0, 0.75, Wrap::Repeat, {0}, 1, 0, {0.5, 0.5, 0.5}},
      {"repeat a whole turn away", 3.25, -1.75, Wrap::Repeat, {0}, 1, 0, {2, 2, 2}},
      {"clamp holds the edge", -5.0, 0.75, Wrap::Clamp, {0}, 1, 0, {0, 0, 0}},
      {"grey has alpha 1", 0.25, 0.25, Wrap::Repeat, {3}, 1, 0, {1, 1, 1}},
      {"two channels leave the third 0", 0.25, 0.25, Wrap::Repeat, {0, 3}, 1, 0, {2, 1, 0}},
      {"scale then bias", 0.75, 0.75, Wrap::Repeat, {0}, 2 * std::numbers::pi, -1, {2 * std::numbers::pi - 1, 2 * std::numbers::pi - 1, 2 * std::numbers::pi - 1}},
      {"NaN reads texel (0, 0)", NAN, NAN, Wrap::Repeat, {0}, 1, 0, {0, 0, 0}},
      {"far outside 0..1", 1e300, -1e300, Wrap::Repeat, {0}, 1, 0, {0, 0, 0}},
  };
  const Texture texture = Grey2x2();
  for (const Case& c : cases) {
    ImageBinding binding;
    binding.wrap = c.wrap;
    binding.channels = c.channels;
    binding.scale = c.scale;
    binding.bias = c.bias;
    double out[3];
    SampleImage(binding, texture, c.u, c.v, out);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], c.expected[k], 1e-12) << c.what << " [" << k << "]";
  }
}

TEST(ImageFiles, PngAndExrReadBackAsWritten) {
  const std::string dir = standin_test::TempFolder();
  const Texture map = MakeMap({MapKind::Noise, MapEncoding::Direction, 16, 8, 0, 2, 5});
  WritePng16(dir + "/map.png", map);
  WriteExrTexture(dir + "/map.exr", map);
  const Texture png = ReadImageFile(dir + "/map.png", Encoding::Data);
  const Texture exr = ReadImageFile(dir + "/map.exr", Encoding::Data);
  ASSERT_EQ(png.width, 16);
  ASSERT_EQ(png.height, 8);
  ASSERT_EQ(png.channels, 3);
  ASSERT_EQ(exr.data.size(), map.data.size());
  for (size_t i = 0; i < map.data.size(); ++i) {
    EXPECT_NEAR(png.data[i], map.data[i], 0.5 / 65535) << "16-bit PNG value " << i;
    EXPECT_EQ(exr.data[i], map.data[i]) << "EXR value " << i;
  }
  // An 8-bit display PNG: data takes the code, colour undoes the sRGB curve.
  Image image = MakeImage(1, 1);
  image.rgb = {0.5f, 0.5f, 0.5f};
  WritePng(dir + "/srgb.png", image, 1.0);
  EXPECT_NEAR(ReadImageFile(dir + "/srgb.png", Encoding::Data).data[0], 188.0 / 255, 1e-6);
  EXPECT_NEAR(ReadImageFile(dir + "/srgb.png", Encoding::Color).data[0], 0.5, 0.003);
  EXPECT_THROW(ReadImageFile(dir + "/map.exr", Encoding::Color), AssetError);
}

TEST(MakeMap, DirectionsAndAnglesAtKnownTexels) {
  struct Case {
    MapOptions options;
    int x, y;
    float expected[3];
  };
  // On a 4x4 map texel (3, 1) sits at (u, v) = (0.875, 0.625).
  const float s = static_cast<float>(0.5 + 0.5 * 0.375 / std::hypot(0.375, 0.125));
  const float t = static_cast<float>(0.5 + 0.5 * 0.125 / std::hypot(0.375, 0.125));
  const Case cases[] = {
      {{MapKind::Radial, MapEncoding::Direction, 4, 4, 0, 4, 1}, 3, 1, {s, t, 0}},
      {{MapKind::Circular, MapEncoding::Direction, 4, 4, 0, 4, 1}, 3, 1, {1 - t, s, 0}},
      {{MapKind::Angle, MapEncoding::Direction, 4, 4, 90.0, 4, 1}, 0, 0, {0.5f, 1, 0}},
      {{MapKind::Angle, MapEncoding::Angle, 4, 4, -90.0, 4, 1}, 2, 2, {0.75f, 0.75f, 0.75f}},
  };
  for (const Case& c : cases) {
    const Texture map = MakeMap(c.options);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(Texel(map, c.x, c.y, k), c.expected[k], 1e-6)
          << "kind " << static_cast<int>(c.options.kind) << " channel " << k;
    }
  }
}

TEST(MakeMap, NoiseFlowIsUnitAndFollowsTheSeed) {
  const Texture map = MakeMap({MapKind::Noise, MapEncoding::Direction, 32, 32, 0, 3, 11});
  for (size_t i = 0; i < map.data.size(); i += 3) {
    const double dx = 2.0 * map.data[i] - 1, dy = 2.0 * map.data[i + 1] - 1;
    EXPECT_NEAR(std::hypot(dx, dy), 1.0, 1e-4) << "texel " << i / 3;
  }
  EXPECT_EQ(MakeMap({MapKind::Noise, MapEncoding::Direction, 32, 32, 0, 3, 11}).data, map.data);
  EXPECT_NE(MakeMap({MapKind::Noise, MapEncoding::Direction, 32, 32, 0, 3, 12}).data, map.data);
}

}  // namespace
