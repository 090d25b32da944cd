#pragma once
// Table files of inputs and the output each must give. A line "> input" starts a case, the lines
// after it up to the next case, comment ("#") or blank line are the expected output. With
// KORE_UPDATE_GOLDEN=1 in the environment the file is rewritten from what the code gives now:
// review the diff before committing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace kore::test {

// "\n", "\r", "\t", "\\" and "\xHH" as in C; everything else as written.
inline std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    if (c == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return out;
}

// Line ends and tabs as "\r", "\n", "\t", other bytes outside printable ASCII as "\xHH", so
// that output stays on one line.
inline std::string Escape(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else if (c == '\r' || c == '\n' || c == '\t') {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\t";
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

// Runs every case of `path` through `run` (which gets the text after "> ", unescaped by the
// caller if it wishes) and compares the output, named by file line.
inline void CheckGolden(const std::string& path,
                        const std::function<std::string(const std::string&)>& run) {
  std::ifstream in(path);
  ASSERT_TRUE(in) << "cannot read " << path;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const bool update = std::getenv("KORE_UPDATE_GOLDEN") != nullptr;
  std::ostringstream rewritten;
  int cases = 0;
  for (size_t i = 0; i < lines.size();) {
    if (lines[i].rfind("> ", 0) != 0) {
      rewritten << lines[i++] << '\n';
      continue;
    }
    const size_t caseLine = i;
    std::string expected;
    for (++i; i < lines.size() && !lines[i].empty() && lines[i][0] != '#' &&
              lines[i].rfind("> ", 0) != 0;
         ++i) {
      expected += lines[i] + '\n';
    }
    const std::string actual = run(lines[caseLine].substr(2));
    ++cases;
    EXPECT_EQ(actual, expected) << path << ":" << caseLine + 1 << " " << lines[caseLine];
    rewritten << lines[caseLine] << '\n' << actual;
  }
  EXPECT_GT(cases, 0) << path;
  if (update) std::ofstream(path) << rewritten.str();
}

}  // namespace kore::test
