// The files one command writes, committed as a set: each output is written
// under an unpredictable temporary name created exclusively beside its
// target, and only when every output is written are they renamed into
// place. A failure on the way removes every temporary file and leaves every
// target as it was.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace standin {

// A file that could not be written, or may not be. what() names the file.
struct FileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The output name that stands for standard output.
inline constexpr const char* kStandardOutput = "-";

// Writes one file's bytes to `file`, opened for binary writing; throws on
// failure. The stream stays owned by the caller.
using FileWriter = std::function<void(std::FILE* file)>;

class OutputFiles {
 public:
  OutputFiles();
  // Removes every temporary file not yet renamed into place.
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // Names a file the outputs must not overwrite (a scene, a module), called
  // `role` in messages ("the scene"). A file that does not exist is ignored.
  void AddInput(const std::string& path, const std::string& role);
  // Accepts `path` as an output called `role` ("the PNG output"), or throws
  // FileError naming it: an empty name, a target that exists and is not a
  // regular file, a missing folder, or the same file (by identity, not by
  // spelling) as an input or an earlier output. "-" is standard output.
  // Nothing is created yet.
  void AddOutput(const std::string& path, const std::string& role);
  // Writes the output `path` (added before) to its temporary file: for "-"
  // an anonymous file, else a new file created exclusively beside the
  // target. Throws FileError naming `path` when the file cannot be created
  // or written (a writer's own FileError passes through unchanged).
  void Write(const std::string& path, const FileWriter& write);
  // Write for bytes already made (a drawing, a text).
  void WriteBytes(const std::string& path, const std::string& bytes);
  // Copies the standard output's bytes out, then renames every temporary
  // file onto its target. Call once every output is written.
  void Commit();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Writes one file as a set of one output: `write` fills its temporary
// file, which is then renamed onto `path`. Throws FileError.
void WriteOneFile(const std::string& path, const FileWriter& write);

// Writes `text` to `path` through WriteOneFile.
void WriteTextFile(const std::string& path, const std::string& text);

}  // namespace standin
