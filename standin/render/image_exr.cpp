// Linear float OpenEXR output.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>

#include <stdexcept>

#include "standin/render/image.h"

namespace standin {

void WriteExr(const std::string& path, const Image& image) {
  const size_t expected = static_cast<size_t>(image.width) *
                          static_cast<size_t>(image.height) * 3;
  if (image.width < 1 || image.height < 1 || image.rgb.size() != expected) {
    throw std::invalid_argument("image has an inconsistent size");
  }
  WriteFileAtomically(path, [&](const std::string& temp) {
    Imf::Header header(image.width, image.height);
    header.compression() = Imf::ZIP_COMPRESSION;
    // One interleaved float buffer, three channel views into it.
    const size_t xStride = 3 * sizeof(float);
    const size_t yStride = xStride * static_cast<size_t>(image.width);
    Imf::FrameBuffer frame;
    const char* names[3] = {"R", "G", "B"};
    char* base = const_cast<char*>(reinterpret_cast<const char*>(image.rgb.data()));
    for (size_t c = 0; c < 3; ++c) {
      header.channels().insert(names[c], Imf::Channel(Imf::FLOAT));
      frame.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * sizeof(float),
                                        xStride, yStride));
    }
    try {
      Imf::OutputFile file(temp.c_str(), header);
      file.setFrameBuffer(frame);
      file.writePixels(image.height);
    } catch (const std::exception& e) {
      throw FileError(path + ": cannot write EXR: " + e.what());
    }
  });
}

}  // namespace standin
