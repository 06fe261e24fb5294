// Linear float OpenEXR output.
#include <ImfChannelList.h>
#include <ImfIO.h>
#include <ImfOutputFile.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "standin/render/exr_write.h"
#include "standin/render/image.h"

namespace standin {
namespace {

// OpenEXR's output stream over an open C file.
class FileStream final : public Imf::OStream {
 public:
  explicit FileStream(std::FILE* file) : Imf::OStream("output"), file_(file) {}

  void write(const char c[], int n) override {
    if (std::fwrite(c, 1, static_cast<size_t>(n), file_) != static_cast<size_t>(n))
      throw std::runtime_error(std::strerror(errno));
  }
  uint64_t tellp() override {
    const off_t at = ::ftello(file_);
    if (at < 0) throw std::runtime_error(std::strerror(errno));
    return static_cast<uint64_t>(at);
  }
  void seekp(uint64_t pos) override {
    if (::fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0)
      throw std::runtime_error(std::strerror(errno));
  }

 private:
  std::FILE* file_;
};

void CheckImage(const Image& image) {
  const size_t expected = static_cast<size_t>(image.width) *
                          static_cast<size_t>(image.height) * 3;
  if (image.width < 1 || image.height < 1 || image.rgb.size() != expected) {
    throw std::invalid_argument("image has an inconsistent size");
  }
}

}  // namespace

void WriteExrFrame(std::FILE* file, const Imf::Header& header, const Imf::FrameBuffer& frame,
                   int rows) {
  try {
    FileStream stream(file);
    Imf::OutputFile out(stream, header);
    out.setFrameBuffer(frame);
    out.writePixels(rows);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("cannot write EXR: ") + e.what());
  }
}

void WriteExrTo(std::FILE* file, const Image& image) {
  CheckImage(image);
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
  WriteExrFrame(file, header, frame, image.height);
}

void WriteExr(const std::string& path, const Image& image) {
  CheckImage(image);
  WriteOneFile(path, [&](std::FILE* file) { WriteExrTo(file, image); });
}

}  // namespace standin
