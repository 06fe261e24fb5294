// Image files for inputs and comparisons: format by content, EXR here.
#include "standin/assets/image_file.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>

#include <Iex.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "standin/assets/asset_error.h"
#include "standin/assets/image_png.h"
#include "standin/render/exr_write.h"
#include "standin/files/output_files.h"

namespace standin {
namespace {

constexpr int kMaxSide = 16384;

// An EXR file's bytes as OpenEXR's input: a read past the end fails.
class ExrBytes final : public Imf::IStream {
 public:
  ExrBytes(const std::string& path, const std::vector<unsigned char>& bytes)
      : Imf::IStream(path.c_str()), bytes_(bytes) {}

  bool read(char c[], int n) override {
    if (n < 0 || static_cast<size_t>(n) > bytes_.size() - at_) throw Iex::InputExc("the file is truncated");
    std::memcpy(c, bytes_.data() + at_, static_cast<size_t>(n));
    at_ += static_cast<size_t>(n);
    return at_ < bytes_.size();
  }
  uint64_t tellg() override { return at_; }
  void seekg(uint64_t pos) override { at_ = static_cast<size_t>(std::min<uint64_t>(pos, bytes_.size())); }

 private:
  const std::vector<unsigned char>& bytes_;
  size_t at_ = 0;
};

bool StartsWith(const std::vector<unsigned char>& bytes, std::initializer_list<unsigned char> magic) {
  return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

// The channel names that an EXR file's layout maps to 1..4 texture channels.
std::vector<std::string> ExrLayout(const Imf::ChannelList& list, const std::string& path) {
  auto has = [&](const char* name) { return list.findChannel(name) != nullptr; };
  std::vector<std::string> names;
  if (has("R") || has("G") || has("B")) {
    names = {"R", "G", "B"};
  } else if (has("Y")) {
    names = {"Y"};
  } else {
    throw AssetError(path + ": cannot read EXR: no R, G, B or Y channel");
  }
  if (has("A")) names.push_back("A");
  return names;
}

Texture ReadExr(const std::string& path, const std::vector<unsigned char>& bytes, AssetFiles& files,
               NonFinite nonFinite) {
  try {
    ExrBytes stream(path, bytes);
    Imf::InputFile file(stream);
    const Imath::Box2i window = file.header().dataWindow();
    const long long width = static_cast<long long>(window.max.x) - window.min.x + 1;
    const long long height = static_cast<long long>(window.max.y) - window.min.y + 1;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
      throw AssetError(path + ": cannot read EXR: the image is empty or larger than 16384 pixels");
    }
    const std::vector<std::string> names = ExrLayout(file.header().channels(), path);
    files.Claim(static_cast<std::uint64_t>(width * height) * names.size() * sizeof(float), path);
    Texture texture;
    texture.width = static_cast<int>(width);
    texture.height = static_cast<int>(height);
    texture.channels = static_cast<int>(names.size());
    texture.data.assign(static_cast<size_t>(width * height) * names.size(), 0.0f);
    // Float slices into the interleaved buffer, placed at the data window.
    const size_t xStride = names.size() * sizeof(float);
    const size_t yStride = xStride * static_cast<size_t>(width);
    char* origin = reinterpret_cast<char*>(texture.data.data()) -
                   static_cast<std::ptrdiff_t>(window.min.x) * static_cast<std::ptrdiff_t>(xStride) -
                   static_cast<std::ptrdiff_t>(window.min.y) * static_cast<std::ptrdiff_t>(yStride);
    Imf::FrameBuffer frame;
    for (size_t c = 0; c < names.size(); ++c) {
      frame.insert(names[c], Imf::Slice(Imf::FLOAT, origin + c * sizeof(float), xStride, yStride,
                                        1, 1, names[c] == "A" ? 1.0 : 0.0));
    }
    file.setFrameBuffer(frame);
    file.readPixels(window.min.y, window.max.y);
    for (float v : texture.data) {
      if (nonFinite == NonFinite::Refuse && !std::isfinite(v))
        throw AssetError(path + ": cannot use EXR: it holds non-finite values");
    }
    return texture;
  } catch (const AssetError&) {
    throw;
  } catch (const std::exception& e) {
    throw AssetError(path + ": cannot read EXR: " + e.what());
  }
}

}  // namespace

Texture ReadImageFile(const std::string& path, Encoding encoding, AssetFiles& files,
                      NonFinite nonFinite) {
  const std::vector<unsigned char> bytes = files.Read(path);
  if (StartsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'})) {
    return DecodePngFile(path, bytes, encoding, files);
  }
  if (StartsWith(bytes, {0x76, 0x2f, 0x31, 0x01})) {
    if (encoding == Encoding::Color) {
      throw AssetError(path + ": an EXR file holds linear values: use the \"data\" encoding");
    }
    return ReadExr(path, bytes, files, nonFinite);
  }
  throw AssetError(path + ": not a PNG or OpenEXR file");
}

Texture ReadImageFile(const std::string& path, Encoding encoding, NonFinite nonFinite) {
  AssetFiles files;
  return ReadImageFile(path, encoding, files, nonFinite);
}

void WriteExrTextureTo(std::FILE* file, const Texture& texture) {
  static const std::vector<std::vector<const char*>> kNames = {
      {"Y"}, {"Y", "A"}, {"R", "G", "B"}, {"R", "G", "B", "A"}};
  if (texture.channels < 1 || texture.channels > 4 || texture.width < 1 || texture.height < 1 ||
      texture.data.size() != static_cast<size_t>(texture.width) * static_cast<size_t>(texture.height) *
                                 static_cast<size_t>(texture.channels)) {
    throw std::invalid_argument("texture has an inconsistent size");
  }
  const auto& names = kNames[static_cast<size_t>(texture.channels - 1)];
  Imf::Header header(texture.width, texture.height);
  header.compression() = Imf::ZIP_COMPRESSION;
  const size_t xStride = names.size() * sizeof(float);
  const size_t yStride = xStride * static_cast<size_t>(texture.width);
  Imf::FrameBuffer frame;
  char* base = const_cast<char*>(reinterpret_cast<const char*>(texture.data.data()));
  for (size_t c = 0; c < names.size(); ++c) {
    header.channels().insert(names[c], Imf::Channel(Imf::FLOAT));
    frame.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * sizeof(float), xStride, yStride));
  }
  WriteExrFrame(file, header, frame, texture.height);
}

void WriteExrTexture(const std::string& path, const Texture& texture) {
  WriteOneFile(path, [&](std::FILE* file) { WriteExrTextureTo(file, texture); });
}

}  // namespace standin
