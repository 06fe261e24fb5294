#include "standin/host/eval_input.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <istream>
#include <ostream>

#include "standin/host/eval_case.h"

namespace standin {
namespace {

// Reads up to `size` bytes into `buffer`: the count, 0 at the end of input.
// Throws InputError when reading fails.
using ReadBlock = std::function<size_t(char* buffer, size_t size)>;

// Reads lines in blocks.
class LineReader {
 public:
  LineReader(ReadBlock read, const std::string& name) : read_(std::move(read)), name_(name) {}

  // The next line without its '\n' in `line`; false at the end of input.
  bool Next(std::string* line, int number) {
    line->clear();
    for (;;) {
      if (start_ == end_ && !Fill()) return !line->empty();
      const char* from = buffer_ + start_;
      const void* newline = std::memchr(from, '\n', end_ - start_);
      const size_t take = newline ? static_cast<size_t>(static_cast<const char*>(newline) - from)
                                  : end_ - start_;
      if (line->size() + take > kMaxEvalLine)
        throw InputError(name_ + ": line " + std::to_string(number) + " is longer than " +
                         std::to_string(kMaxEvalLine >> 20) + " MiB");
      line->append(from, take);
      start_ += take + (newline ? 1 : 0);
      if (newline) return true;
    }
  }

 private:
  // Refills the buffer; false at the end of input.
  bool Fill() {
    start_ = 0;
    end_ = read_(buffer_, sizeof buffer_);
    return end_ > 0;
  }

  ReadBlock read_;
  const std::string& name_;
  char buffer_[1 << 16];
  size_t start_ = 0;
  size_t end_ = 0;
};

// The one eval-line loop: every line run, 1 when any failed.
int RunLines(Host& host, LineReader& reader, std::ostream& out) {
  int status = 0;
  std::string line;
  for (int number = 1; reader.Next(&line, number); ++number)
    if (!RunEvalLine(host, line, number, out)) status = 1;
  return status;
}

}  // namespace

int RunEvalFile(Host& host, std::FILE* in, const std::string& name, std::ostream& out) {
  const ReadBlock read = [&](char* buffer, size_t size) {
    const size_t got = std::fread(buffer, 1, size, in);
    if (got == 0 && std::ferror(in))
      throw InputError(name + ": cannot read: " + std::strerror(errno));
    return got;
  };
  LineReader reader(read, name);
  return RunLines(host, reader, out);
}

int RunEvalStream(Host& host, std::istream& in, std::ostream& out) {
  static const std::string kName = "input";
  const ReadBlock read = [&](char* buffer, size_t size) {
    in.read(buffer, static_cast<std::streamsize>(size));
    if (in.bad()) throw InputError(kName + ": cannot read");
    return static_cast<size_t>(in.gcount());
  };
  LineReader reader(read, kName);
  return RunLines(host, reader, out);
}

}  // namespace standin
