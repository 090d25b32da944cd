// libpenna exports every function of the flat interface by its plain name, and nothing else.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

TEST(PennaLibrary, ExportsTheSixtyFunctionsByName) {
  void* library = dlopen(PENNA_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  std::ifstream names(KORE_SOURCE_DIR "/tests/editor/data/exports.txt");
  int count = 0;
  for (std::string name; std::getline(names, name); ++count)
    EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
  EXPECT_EQ(count, 60);
  auto version = reinterpret_cast<int32_t (*)()>(dlsym(library, "GetPennaVer"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 161);
  auto beta = reinterpret_cast<int32_t (*)()>(dlsym(library, "GetPennaBetaVer"));
  EXPECT_EQ(beta(), 0);
  // Internal C++ names stay hidden.
  EXPECT_EQ(dlsym(library, "_ZN4kore10SjisToUtf8ESt17basic_string_viewIcSt11char_traitsIcEE"),
            nullptr);
  EXPECT_EQ(dlsym(library, "_ZN4kore10TextBuffer7SetTextESt17basic_string_viewIcSt11char_traitsIcEE"),
            nullptr);
  dlclose(library);
}

}  // namespace
