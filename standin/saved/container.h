// The host's saved-data containers, in which a node keeps its settings.
//
// Binary form: a sequence of blocks, each a four-character identifier, a
// 32-bit big-endian byte length and that many bytes of payload. Values are
// big-endian (integers two's complement, floats IEEE-754); strings end with a
// zero byte. A non-leaf block may hold further blocks after its values.
//
// Text form: one block per line, by its token. A leaf block is the token and
// its values on one line (`Color 1 0.5 0.25`). A non-leaf block opens with
// `{ Token`, holds its values (one line per write) and nested blocks on the
// following lines, and closes with `}`. Values are decimal numbers (`nan`,
// `inf` and `-inf` for floats that are not finite) or double-quoted strings
// with `\"`, `\\` and `\n` escapes. Blank lines and lines starting with `#`
// are ignored.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "hostapi/hostapi.h"

namespace standin {

enum class ContainerForm { kBinary, kText };

// A malformed container or a read that found less than the module asked for.
// The message names the source and the offset (binary) or line (text).
class ContainerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a container through the load record handed to the module's load.
class ContainerReader {
 public:
  // Checks the container's structure whole; throws ContainerError naming
  // `source` when it is malformed.
  static std::unique_ptr<ContainerReader> Open(const std::string& data,
                                               ContainerForm form,
                                               const std::string& source);
  virtual ~ContainerReader() = default;

  // The load record; valid as long as the reader.
  const LoadState* state() const { return &state_; }
  // The first failure met by a read (a short read, a value of the wrong
  // kind, a nested block that does not fit), or empty.
  const std::string& error() const { return error_; }
  // Goes back to the start, forgetting any failure.
  virtual void Rewind() = 0;

 protected:
  ContainerReader();
  void Fail(const std::string& message);
  std::string source_;

 private:
  friend struct ReaderOps;
  virtual int Read(char* bytes, int count) = 0;
  virtual int ReadInts(void* values, int count, int size, bool isSigned) = 0;
  virtual int ReadFloats(float* values, int count) = 0;
  virtual int ReadString(char* text, int capacity) = 0;
  virtual std::uint32_t FindBlock(const BlockId* list) = 0;
  virtual void EndBlock() = 0;
  virtual int Depth() const = 0;

  LoadState state_{};
  std::string error_;
};

// Collects what the module's save writes and lays it out in either form.
class ContainerWriter {
 public:
  ContainerWriter(ContainerForm form);
  ~ContainerWriter();
  ContainerWriter(const ContainerWriter&) = delete;
  ContainerWriter& operator=(const ContainerWriter&) = delete;

  const SaveState* state() const { return &state_; }
  // The container. Throws ContainerError when the writes did not form one
  // (a block left open, values written outside any block).
  std::string Finish() const;

 private:
  struct Impl;
  friend struct WriterOps;
  std::unique_ptr<Impl> impl_;
  SaveState state_{};
};

}  // namespace standin
