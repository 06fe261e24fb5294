// Reading environment maps: EXR through OpenEXR, Radiance .hdr through
// stb_image, both size-checked before decoding.
#include "standin/assets/environment_file.h"

#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "standin/assets/asset_error.h"
#include "standin/assets/image_file.h"
#include "standin/render/environment_preset.h"

namespace standin {
namespace {

std::string SizeText(long long width, long long height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

void CheckSize(const std::string& path, long long width, long long height) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384 ||
      width * height > kMaxEnvironmentTexels) {
    throw AssetError(path + ": the environment map is " + SizeText(width, height) +
                     "; at most " + std::to_string(kMaxEnvironmentTexels) + " texels are read");
  }
}

// Whether a Radiance file's pixels after the header fill width x height:
// stb_image reads zeros past the end of a short file, so the runs are
// walked here first. A scanline is run-length encoded (it starts 2, 2 and
// its width) or, from there to the end, flat RGBE.
bool HdrDataComplete(const std::vector<unsigned char>& bytes, int width, int height) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const size_t blank = text.find("\n\n");
  const size_t end = blank == std::string_view::npos ? blank : text.find('\n', blank + 2);
  if (end == std::string_view::npos) return false;
  size_t at = end + 1;
  const size_t size = bytes.size();
  const size_t w = static_cast<size_t>(width);
  for (int row = 0; row < height; ++row) {
    const bool rle = width >= 8 && width < 32768 && at + 4 <= size && bytes[at] == 2 &&
                     bytes[at + 1] == 2 && ((bytes[at + 2] << 8) | bytes[at + 3]) == width;
    if (!rle) return size - at >= w * 4 * static_cast<size_t>(height - row);
    at += 4;
    for (int channel = 0; channel < 4; ++channel) {
      for (size_t filled = 0; filled < w;) {
        if (at >= size) return false;
        const size_t count = bytes[at] > 128 ? bytes[at] - 128u : bytes[at];
        const size_t stored = bytes[at] > 128 ? 1 : count;
        if (count == 0 || filled + count > w || size - at - 1 < stored) return false;
        at += 1 + stored;
        filled += count;
      }
    }
  }
  return true;
}

Texture ReadHdr(const std::string& path, const std::vector<unsigned char>& bytes, AssetFiles& files) {
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw AssetError(path + ": cannot read the environment map: the file is too large");
  const int length = static_cast<int>(bytes.size());
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels))
    throw AssetError(path + ": cannot read Radiance HDR: " + stbi_failure_reason());
  CheckSize(path, width, height);
  files.Claim(static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3 * sizeof(float), path);
  if (!HdrDataComplete(bytes, width, height))
    throw AssetError(path + ": cannot read Radiance HDR: the file is truncated or corrupt (it holds "
                     "less than its " + SizeText(width, height) + " pixels)");
  float* pixels = stbi_loadf_from_memory(bytes.data(), length, &width, &height, &channels, 3);
  if (!pixels) throw AssetError(path + ": cannot read Radiance HDR: " + stbi_failure_reason());
  Texture texture;
  texture.width = width;
  texture.height = height;
  texture.channels = 3;
  texture.data.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  stbi_image_free(pixels);
  return texture;
}

void CheckExrSize(const std::string& path) {
  try {
    Imf::InputFile file(path.c_str());
    const Imath::Box2i window = file.header().dataWindow();
    CheckSize(path, static_cast<long long>(window.max.x) - window.min.x + 1,
              static_cast<long long>(window.max.y) - window.min.y + 1);
  } catch (const AssetError&) {
    throw;
  } catch (const std::exception& e) {
    throw AssetError(path + ": cannot read EXR: " + e.what());
  }
}

}  // namespace

Texture ReadEnvironmentFile(const std::string& path, AssetFiles& files) {
  // Only a regular file, read once: a FIFO or a device is refused unread.
  const std::vector<unsigned char> bytes = files.Read(path);
  auto starts = [&](std::initializer_list<unsigned char> magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
  };
  if (starts({'#', '?'})) return ReadHdr(path, bytes, files);
  if (starts({0x76, 0x2f, 0x31, 0x01})) {
    CheckExrSize(path);
    return ReadImageFile(path, Encoding::Data, files);
  }
  throw AssetError(path + ": not an OpenEXR or Radiance HDR file");
}

Texture ReadEnvironmentFile(const std::string& path) {
  AssetFiles files;
  return ReadEnvironmentFile(path, files);
}

std::shared_ptr<const EnvironmentMap> LoadEnvironment(const Light& light, const std::string& folder,
                                                      AssetFiles& files) {
  if (const EnvironmentPreset* preset = FindEnvironmentPreset(light.preset)) return PresetMap(*preset);
  try {
    const std::string path = files.Resolve(folder, light.image);
    return MakeEnvironmentMap(ReadEnvironmentFile(path, files), path);
  } catch (const std::invalid_argument& e) {
    throw AssetError(e.what());
  }
}

}  // namespace standin
