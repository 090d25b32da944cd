#pragma once
// A fresh folder under the test temp directory, removed with everything in it at the end.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace kore::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "kore-test-XXXXXX";
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace kore::test
