// Runs the built quillane command and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace standin_test {

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs `quillane` with `args` (each passed as one argument) and `input` on
// its standard input.
CommandResult RunQuillane(const std::vector<std::string>& args,
                          const std::string& input = "");

// Runs `quillane` with `args` and the resource limit `resource` (RLIMIT_AS,
// RLIMIT_FSIZE, ...) set to `limit` bytes; standard error is collected,
// standard output discarded.
CommandResult RunLimited(const std::vector<std::string>& args, int resource, unsigned long long limit);

// A fresh empty folder for one test's files.
std::string TempFolder();
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Every name in `folder`, sorted.
std::vector<std::string> Listing(const std::string& folder);

}  // namespace standin_test
