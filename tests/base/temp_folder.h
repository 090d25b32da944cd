#pragma once
// A fresh folder under the test temp directory, removed with everything in it at the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <stdlib.h>

namespace kore::testing_support {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "kore-test-XXXXXX";
    char* made = mkdtemp(pattern.data());
    path_ = made != nullptr ? made : "";
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const {
    std::string file = path_;
    file += '/';
    file += name;
    return file;
  }

 private:
  std::string path_;
};

}  // namespace kore::testing_support
