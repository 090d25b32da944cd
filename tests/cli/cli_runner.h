#pragma once
// Runs the built kore-cli as a user would, capturing its exit code, standard output and
// standard error. KORE_CLI_PATH comes from kore_cli_test_folder().
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kore::testing {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuote(const std::string& arg) {
  std::string quoted(1, '\'');
  for (char c : arg) {
    if (c == '\'') {
      quoted.append("'\\''");
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

// A path in the temporary folder that no other test process uses.
inline std::string CliTempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir ? dir : "/tmp";
  path.append("/kore_cli_test_").append(std::to_string(getpid())).append("_").append(name);
  return path;
}

inline std::string ReadWholeFileForTest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of the source tree, named from its root.
inline std::string SourceFile(const std::string& relative) {
  return std::string(KORE_SOURCE_DIR) + "/" + relative;
}

inline CliRun RunKoreCli(const std::vector<std::string>& args) {
  std::string errPath = CliTempPath("stderr");
  std::string command = ShellQuote(KORE_CLI_PATH);
  for (const std::string& arg : args) command.append(" ").append(ShellQuote(arg));
  command.append(" 2>").append(ShellQuote(errPath));
  CliRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadWholeFileForTest(errPath);
  std::remove(errPath.c_str());
  return run;
}

}  // namespace kore::testing
