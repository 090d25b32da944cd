// libpenna exports every function of the flat interface by its plain name, and nothing else.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kExports[] = {
    "PennaStart", "PennaSetCursor", "GetPennaVer", "GetPennaBetaVer", "PennaRedim", "PennaDelete",
    "PennaCreate", "PennaSetFocus", "PennaSetPos", "PennaSetVisible", "PennaRefresh",
    "PennaGetWnd", "PennaCopy", "PennaCut", "PennaPaste", "PennaUndo", "PennaRedo", "PennaIndent",
    "PennaUnIndent", "PennaSelectAll", "PennaSetText", "PennaGetTextLength", "PennaGetText",
    "PennaSetSelText", "PennaGetSelText", "PennaGetLines", "PennaGetLineData", "PennaGetLineLen",
    "PennaGetLineCode", "PennaSetSelA", "PennaGetSelA", "PennaSetSelB", "PennaGetSelB",
    "PennaGetCaretLine", "PennaGetCaretPos", "PennaSetCaretLine", "PennaSetCaretPos",
    "PennaGetCaretVPos", "PennaGetCaretThrough", "PennaSetCaretThrough", "PennaSetMark",
    "PennaGetMark", "PennaSetHighlight", "PennaAddEmphasis", "PennaResetEmphasis",
    "PennaFontDialog", "PennaSetFont", "PennaSetColor", "PennaSetMarkVisible", "PennaSetMetrics",
    "PennaGetMetrics", "PennaWriteEnable", "PennaSetLapel", "PennaEventCaretMove",
    "PennaEventSelChange", "PennaEventInsChange", "PennaEventChange", "PennaEventContextMenu",
    "PennaEventMouseMove", "PennaEnd"};

TEST(PennaLibrary, ExportsTheSixtyFunctionsByName) {
  void* library = dlopen(PENNA_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_EQ(sizeof kExports / sizeof kExports[0], 60u);
  for (const char* name : kExports) EXPECT_NE(dlsym(library, name), nullptr) << name;
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
