#include "tests/tools/cli_runner.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace standin_test {
namespace {

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::string TempFolder() {
  static std::atomic<int> counter{0};
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(info ? info->name() : "test") + "_" +
                           std::to_string(counter++);
  const auto path = std::filesystem::path(testing::TempDir()) / "quillane_standin" /
                    std::to_string(getpid()) / name;
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path.string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

CommandResult RunQuillane(const std::vector<std::string>& args,
                          const std::string& input) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/in", input);
  std::string command = Quote(QUILLANE_CLI);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " < " + Quote(dir + "/in") + " > " + Quote(dir + "/out") + " 2> " +
             Quote(dir + "/err");
  const int status = std::system(command.c_str());
  CommandResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(dir + "/out");
  result.err = ReadFile(dir + "/err");
  return result;
}

CommandResult RunLimited(const std::vector<std::string>& args, int resource, unsigned long long limit) {
  const std::string err = TempFolder() + "/err";
  const pid_t child = fork();
  if (child == 0) {
    const rlimit bound{limit, limit};
    setrlimit(resource, &bound);
    std::signal(SIGXFSZ, SIG_IGN);  // a file over the limit fails to grow, no signal
    const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> argv{const_cast<char*>(QUILLANE_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QUILLANE_CLI, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  CommandResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = ReadFile(err);
  return result;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace standin_test
