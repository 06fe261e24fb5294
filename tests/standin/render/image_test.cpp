// PNG and EXR files: read back with libpng and OpenEXR, display encoding,
// and no partial files on failure.
#include <gtest/gtest.h>
#include <png.h>

#include <ImfArray.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "standin/render/image.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

// A fresh, empty directory for one test, removed afterwards.
class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("quillane-image-" + std::string(::testing::UnitTest::GetInstance()
                                                ->current_test_info()
                                                ->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

Image Gradient(int width, int height) {
  Image image = MakeImage(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      float* p = image.Pixel(x, y);
      p[0] = static_cast<float>(x) / static_cast<float>(width - 1);
      p[1] = static_cast<float>(y) / static_cast<float>(height - 1);
      p[2] = 0.5f;
    }
  }
  return image;
}

std::vector<unsigned char> ReadPng(const std::string& path, int* width, int* height) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    ADD_FAILURE() << path << ": " << png.message;
    return {};
  }
  png.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
    ADD_FAILURE() << path << ": " << png.message;
  }
  *width = static_cast<int>(png.width);
  *height = static_cast<int>(png.height);
  return bytes;
}

Image ReadExr(const std::string& path) {
  Imf::InputFile file(path.c_str());
  const Imath::Box2i window = file.header().dataWindow();
  Image image = MakeImage(window.max.x - window.min.x + 1, window.max.y - window.min.y + 1);
  Imf::FrameBuffer frame;
  const char* names[3] = {"R", "G", "B"};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(file.header().channels().findChannel(names[c])->type, Imf::FLOAT) << names[c];
    frame.insert(names[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(image.rgb.data() + c),
                                      3 * sizeof(float), 3 * sizeof(float) * static_cast<size_t>(image.width)));
  }
  file.setFrameBuffer(frame);
  file.readPixels(window.min.y, window.max.y);
  return image;
}

TEST(DisplayEncoding, ClampsScalesAndFollowsTheSrgbCurve) {
  EXPECT_EQ(DisplayByte(0.0f, 1.0), 0);
  EXPECT_EQ(DisplayByte(1.0f, 1.0), 255);
  EXPECT_EQ(DisplayByte(4.7f, 1.0), 255) << "bright values clamp for display";
  EXPECT_EQ(DisplayByte(-2.0f, 1.0), 0);
  EXPECT_EQ(DisplayByte(std::numeric_limits<float>::quiet_NaN(), 1.0), 0);
  EXPECT_EQ(DisplayByte(std::numeric_limits<float>::infinity(), 1.0), 255);
  EXPECT_EQ(DisplayByte(0.2158605f, 1.0), 128) << "mid grey in sRGB";
  EXPECT_EQ(DisplayByte(0.5f, 2.0), 255) << "exposure scales before encoding";
  EXPECT_EQ(DisplayByte(0.431721f, 0.5), 128);
  EXPECT_EQ(DisplayByte(0.002f, 1.0), 7) << "the linear toe: 12.92 * 0.002 * 255";
}

TEST_F(ImageFiles, PngReadsBackAsTheDisplayBytes) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> value(-0.5f, 1.5f);
  Image image = MakeImage(37, 19);
  for (float& v : image.rgb) v = value(rng);
  const std::string path = Path("a.png");
  WritePng(path, image, 0.75);
  int width = 0, height = 0;
  const std::vector<unsigned char> bytes = ReadPng(path, &width, &height);
  ASSERT_EQ(width, 37);
  ASSERT_EQ(height, 19);
  ASSERT_EQ(bytes.size(), image.rgb.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    ASSERT_EQ(bytes[i], DisplayByte(image.rgb[i], 0.75)) << "byte " << i << " value " << image.rgb[i];
  }
  EXPECT_EQ(FileCount(), 1u) << "no temporary file left beside it";
  // The file says its bytes are sRGB-encoded.
  std::ifstream file(path, std::ios::binary);
  const std::string bytesOnDisk((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t srgb = bytesOnDisk.find("sRGB");
  EXPECT_NE(srgb, std::string::npos);
  EXPECT_LT(srgb, bytesOnDisk.find("IDAT"));
}

TEST_F(ImageFiles, ExrKeepsLinearUnclampedFloats) {
  Image image = Gradient(16, 8);
  image.Pixel(0, 0)[0] = 4.73205081f;
  image.Pixel(1, 0)[1] = -0.25f;
  image.Pixel(2, 0)[2] = 1e30f;
  image.Pixel(3, 0)[0] = 1e-30f;
  const std::string path = Path("a.exr");
  WriteExr(path, image);
  const Image back = ReadExr(path);
  ASSERT_EQ(back.width, 16);
  ASSERT_EQ(back.height, 8);
  EXPECT_EQ(back.rgb, image.rgb);
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ImageFiles, WritingReplacesAnExistingFileWhole) {
  const std::string path = Path("a.png");
  WritePng(path, Gradient(64, 64), 1.0);
  WritePng(path, Gradient(8, 4), 1.0);
  int width = 0, height = 0;
  ReadPng(path, &width, &height);
  EXPECT_EQ(width, 8);
  EXPECT_EQ(height, 4);
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ImageFiles, FailureLeavesNoFileAndNamesThePath) {
  const std::string png = Path("missing/dir/a.png");
  const std::string exr = Path("missing/dir/a.exr");
  try {
    WritePng(png, Gradient(4, 4), 1.0);
    FAIL() << "wrote into a missing directory";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(png + ": ", 0), 0u) << e.what();
  }
  try {
    WriteExr(exr, Gradient(4, 4));
    FAIL() << "wrote into a missing directory";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(exr + ": ", 0), 0u) << e.what();
  }
  EXPECT_EQ(FileCount(), 0u);
}

TEST_F(ImageFiles, ATargetThatCannotBeReplacedKeepsItsContentAndLeavesNoTemporary) {
  // A directory in the way: the rename fails after the file was written.
  fs::create_directories(Path("taken.png"));
  EXPECT_THROW(WritePng(Path("taken.png"), Gradient(4, 4), 1.0), FileError);
  EXPECT_TRUE(fs::is_directory(Path("taken.png")));
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ImageFiles, FailingWriterLeavesNoFile) {
  OutputFiles files;
  files.AddOutput(Path("x.txt"), "the output");
  EXPECT_THROW(files.Write(Path("x.txt"),
                           [](std::FILE* file) {
                             std::fputs("partial", file);
                             throw std::runtime_error("disk full");
                           }),
               FileError);
  EXPECT_EQ(FileCount(), 0u);
}

TEST_F(ImageFiles, InconsistentImagesAndExposuresAreRejected) {
  Image image = Gradient(4, 4);
  image.rgb.pop_back();
  EXPECT_THROW(WritePng(Path("a.png"), image, 1.0), std::invalid_argument);
  EXPECT_THROW(WriteExr(Path("a.exr"), image), std::invalid_argument);
  EXPECT_THROW(WritePng(Path("a.png"), Gradient(4, 4), std::nan("")), std::invalid_argument);
  EXPECT_THROW(WritePng(Path("a.png"), Gradient(4, 4), -1.0), std::invalid_argument);
  EXPECT_THROW(MakeImage(0, 4), std::invalid_argument);
  EXPECT_THROW(MakeImage(4, 16385), std::invalid_argument);
  EXPECT_EQ(FileCount(), 0u);
}

}  // namespace
}  // namespace standin
