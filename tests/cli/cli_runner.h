#pragma once
// Runs the built kore-cli as a user would, capturing its exit code, standard output and
// standard error. KORE_CLI_PATH comes from kore_cli_test_folder().
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "tests/support/golden.h"
#include "tests/support/temp_dir.h"

namespace kore::testing {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuote(const std::string& arg) {
  std::string quoted(1, '\'');
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + '\'';
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
  test::TempDir dir;
  const std::string errPath = dir.File("stderr");
  std::string command = ShellQuote(KORE_CLI_PATH);
  for (const std::string& arg : args) command.append(" ").append(ShellQuote(arg));
  command.append(" 2>").append(ShellQuote(errPath));
  CliRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadWholeFileForTest(errPath);
  return run;
}

// One stream as table lines "<tag> text": control bytes other than tab and the backslash are
// escaped; a last line without its newline ends in "\c".
inline std::string StreamLines(const std::string& tag, const std::string& bytes) {
  std::string out;
  size_t begin = 0;
  while (begin < bytes.size()) {
    const size_t end = bytes.find('\n', begin);
    std::string line = bytes.substr(begin, end == std::string::npos ? end : end - begin);
    std::string shown;
    for (unsigned char c : line) {
      shown += c < 0x20 && c != '\t' ? test::Escape(std::string(1, static_cast<char>(c)))
               : c == '\\'           ? std::string("\\\\")
                                     : std::string(1, static_cast<char>(c));
    }
    out += tag + " " + shown + (end == std::string::npos ? "\\c\n" : "\n");
    begin = end == std::string::npos ? bytes.size() : end + 1;
  }
  return out;
}

// Runs the table file `table` (named from the source root): each case is a command line (words
// split at spaces, '…' quotes a word, C escapes inside a word; $SRC is the source tree, $TMP a
// folder kept for the whole file, so later cases see the files earlier ones wrote), giving "exit N"
// and its output and error lines. Extra commands: "write FILE BYTES" and "cat FILE".
inline void CheckCliTable(const std::string& table) {
  test::TempDir dir;
  const std::string tmp = dir.Path().string();
  auto replace = [](std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  auto expand = [&](const std::string& word) {
    return replace(replace(word, "$SRC", KORE_SOURCE_DIR), "$TMP", tmp);
  };
  auto fold = [&](const std::string& text) {  // paths back to their names: a portable table
    return replace(replace(text, tmp, "$TMP"), KORE_SOURCE_DIR, "$SRC");
  };
  test::CheckGolden(SourceFile(table), [&](const std::string& line) {
    std::vector<std::string> args;
    for (size_t i = 0; i < line.size();) {
      if (line[i] == ' ') {
        ++i;
        continue;
      }
      const bool quoted = line[i] == '\'';
      const size_t end = quoted ? line.find('\'', i + 1) : line.find(' ', i);
      const size_t stop = end == std::string::npos ? line.size() : end;
      args.push_back(expand(test::Unescape(line.substr(i + quoted, stop - i - quoted))));
      i = stop + quoted;
    }
    if (args[0] == "cat")
      return std::filesystem::exists(args.at(1))
                 ? StreamLines("file", SjisToUtf8Lossy(ReadWholeFileForTest(args[1])))
                 : "no file\n";
    if (args[0] == "write") return std::string(std::ofstream(args.at(1)) << args.at(2) ? "" : "?");
    const CliRun run = RunKoreCli(args);
    return "exit " + std::to_string(run.exitCode) + "\n" + fold(StreamLines("out", run.out)) +
           fold(StreamLines("err", run.err));
  });
}

}  // namespace kore::testing
