#include "standin/host/eval_input.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "standin/host/eval_case.h"

namespace standin {
namespace {

// Reads lines from a C stream in blocks.
class LineReader {
 public:
  LineReader(std::FILE* in, const std::string& name) : in_(in), name_(name) {}

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
  // Refills the buffer; false at the end of input, InputError on a failure.
  bool Fill() {
    start_ = 0;
    end_ = std::fread(buffer_, 1, sizeof buffer_, in_);
    if (end_ == 0 && std::ferror(in_))
      throw InputError(name_ + ": cannot read: " + std::strerror(errno));
    return end_ > 0;
  }

  std::FILE* in_;
  const std::string& name_;
  char buffer_[1 << 16];
  size_t start_ = 0;
  size_t end_ = 0;
};

}  // namespace

int RunEvalFile(Host& host, std::FILE* in, const std::string& name, std::ostream& out) {
  LineReader reader(in, name);
  int status = 0;
  std::string line;
  for (int number = 1; reader.Next(&line, number); ++number)
    if (!RunEvalLine(host, line, number, out)) status = 1;
  return status;
}

}  // namespace standin
