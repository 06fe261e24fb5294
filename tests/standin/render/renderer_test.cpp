// Tile rendering: every pixel once, the same image on any thread count,
// progress, and whole-scene renders.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "standin/render/lighting.h"
#include "standin/render/renderer.h"

namespace standin {
namespace {

// A pixel-dependent colour with enough arithmetic to expose reordering.
void Pattern(int x, int y, float rgb[3]) {
  const double a = std::sin(x * 0.37) * std::cos(y * 0.11) + x * 1e-3;
  rgb[0] = static_cast<float>(a);
  rgb[1] = static_cast<float>(a * a - y);
  rgb[2] = static_cast<float>(x ^ y);
}

TEST(RenderTiles, EveryPixelIsShadedExactlyOnce) {
  const int width = 67, height = 45;  // not multiples of the tile size
  std::vector<std::atomic<int>> counts(static_cast<size_t>(width * height));
  RenderOptions options;
  options.threads = 2;
  options.tileSize = 16;
  const Image image = RenderTiles(width, height, options, [&](int x, int y, float rgb[3]) {
    counts[static_cast<size_t>(y * width + x)].fetch_add(1);
    Pattern(x, y, rgb);
  });
  for (int i = 0; i < width * height; ++i) {
    ASSERT_EQ(counts[static_cast<size_t>(i)].load(), 1) << "pixel " << i % width << "," << i / width;
  }
  float expected[3];
  Pattern(66, 44, expected);
  EXPECT_EQ(image.Pixel(66, 44)[1], expected[1]);
}

TEST(RenderTiles, OneAndTwoThreadsGiveIdenticalImages) {
  const Scene scene = DefaultScene();
  // A shade that exercises the scene: lights, exclusion and shadows.
  const HitShader shade = [&](const Hit& hit, const Ray& ray, double rgb[3]) {
    rgb[0] = rgb[1] = rgb[2] = 0.0;
    for (int l = 0; l < static_cast<int>(scene.lights.size()); ++l) {
      double d[3], c[3];
      if (IsExcluded(scene, l, hit.object) || !IlluminateSpot(scene, l, hit.position, d, c)) continue;
      const double f = std::abs(Dot(Load(d) + ray.direction, Load(hit.normal))) + hit.uv[0];
      for (int k = 0; k < 3; ++k) rgb[k] += f * c[k];
    }
  };
  RenderOptions one;
  one.threads = 1;
  RenderOptions two;
  two.threads = 2;
  two.tileSize = 7;
  const Image a = RenderScene(scene, 160, 90, one, shade);
  const Image b = RenderScene(scene, 160, 90, two, shade);
  ASSERT_EQ(a.rgb.size(), b.rgb.size());
  EXPECT_TRUE(a.rgb == b.rgb) << "the thread count changed the image";
}

TEST(RenderTiles, ShaderExceptionsStopTheRenderAndPropagate) {
  RenderOptions options;
  options.threads = 2;
  EXPECT_THROW(RenderTiles(64, 64, options,
                           [](int x, int y, float*) {
                             if (x == 40 && y == 50) throw std::runtime_error("bad pixel");
                           }),
               std::runtime_error);
}

TEST(RenderTiles, BadArgumentsAreRejected) {
  RenderOptions options;
  options.threads = 0;
  EXPECT_THROW(RenderTiles(8, 8, options, Pattern), std::invalid_argument);
  options.threads = 1;
  options.tileSize = 0;
  EXPECT_THROW(RenderTiles(8, 8, options, Pattern), std::invalid_argument);
  options.tileSize = 32;
  EXPECT_THROW(RenderTiles(0, 8, options, Pattern), std::invalid_argument);
}

TEST(RenderTiles, ProgressAppearsOnlyPastTheThreshold) {
  std::ostringstream out;
  RenderOptions options;
  options.progress = &out;
  options.progressAfter = 1e9;
  RenderTiles(64, 64, options, Pattern);
  EXPECT_EQ(out.str(), "") << "a quick render stays quiet";
  options.progressAfter = -1.0;
  RenderTiles(64, 64, options, Pattern);
  const std::string text = out.str();
  EXPECT_NE(text.find("rendering 100%"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n') << text;
}

TEST(RenderScene, MissesTakeTheBackgroundAndPixelsAverageTheirSamples) {
  Scene scene;
  scene.render.background = {0.25, 0.5, 1.0};
  scene.render.supersample = 3;
  RenderOptions options;
  const Image empty = RenderScene(scene, 8, 6, options, [](const Hit&, const Ray&, double*) {
    ADD_FAILURE() << "nothing to hit";
  });
  EXPECT_EQ(empty.Pixel(3, 3)[2], 1.0f);

  // A plane filling the left part of the view: pixel 4 is partly covered.
  Object plane;
  plane.name = "Half";
  plane.shape = Shape::Plane;
  plane.size = 100.0;
  plane.position = {-100.0893, 0.0, 0.0};  // edge between the first two sample columns of pixel 4
  PlaceObject(plane);
  scene.objects.push_back(plane);
  scene.camera.position = {0, 0, 5};
  scene.camera.target = {0, 0, 0};
  scene.render.background = {0, 0, 0};
  const Image half = RenderScene(scene, 9, 5, options, [](const Hit&, const Ray&, double rgb[3]) {
    rgb[0] = rgb[1] = rgb[2] = 1.0;
  });
  EXPECT_EQ(half.Pixel(0, 2)[0], 1.0f);
  EXPECT_EQ(half.Pixel(8, 2)[0], 0.0f);
  EXPECT_NEAR(half.Pixel(4, 2)[0], 1.0 / 3.0, 1e-6) << "one of three sample columns hits";
}

// Samples added in passes average to RenderScene's image bit for bit.
TEST(AddSamples, PassesSumToTheRenderBitForBit) {
  Scene scene;
  scene.objects.emplace_back();  // a unit ball at the origin
  scene.camera.position = {0, 0, 3};
  scene.render.background = {0.1, 0.2, 0.3};
  // Depends on the sample drawn and the ray, so that a sample shaded with
  // the wrong index, count or grid point shows.
  const SampleShader shade = [](const Hit& hit, const Ray& ray, const LightSample& s,
                                double rgb[3]) {
    rgb[0] = std::sin(s.index * 1.7 + s.x) / s.count + hit.position[0];
    rgb[1] = ray.direction.y * (s.index + 1);
    rgb[2] = 1.0 / 3.0 + s.y * 1e-3;
  };
  const struct {
    int supersample;
    std::vector<int> passes;  // samples per pixel after each
  } cases[] = {{1, {1}}, {2, {1, 4}}, {3, {1, 4, 9}}, {3, {2, 9}}};
  RenderOptions options;
  options.threads = 2;
  for (const auto& c : cases) {
    scene.render.supersample = c.supersample;
    const Image whole = RenderScene(scene, 9, 7, options, shade);
    SampleSums sums = MakeSampleSums(9, 7);
    for (const int end : c.passes) {
      AddSamples(scene, sums, end, options, shade);
      EXPECT_EQ(sums.samples, end);
    }
    EXPECT_EQ(MeanImage(sums).rgb, whole.rgb) << "supersample " << c.supersample;
  }
}

}  // namespace
}  // namespace standin
