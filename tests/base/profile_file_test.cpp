#include "base/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/shift_jis.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using test::TempDir;

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(ProfileFile, ValueFormatsAreWrittenAsTheProgramWritesThem) {
  TempDir dir;
  std::string path = dir.File("a.ini");
  {
    CProfileFile f(path);
    EXPECT_FALSE(f.Existed());
    EXPECT_EQ(f.Section(), "ApplicationData");
    f.WriteInt("Rate", 30);
    f.WriteInt("Neg", -1);
    f.WriteInt("Zero", 0);
    f.WriteUnsigned("Port", -1);
    f.WriteUnsigned("Size", 10);
    f.WriteBool("On", true);
    f.WriteBool("Off", false);
    f.SetSection("Other");
    f.WriteString("Name", Sjis("ＭＳ ゴシック"));
    ASSERT_EQ(f.Flush(), 0);
  }
  std::string expected =
      "[ApplicationData]\r\nRate=+30\r\nNeg=-1\r\nZero=+0\r\nPort=4294967295\r\n"
      "Size=10\r\nOn=true\r\nOff=false\r\n\r\n[Other]\r\nName=";
  expected += Sjis("ＭＳ ゴシック");
  expected += "\r\n";
  EXPECT_EQ(ReadWholeFile(path).value(), expected);
  CProfileFile back(path);
  EXPECT_TRUE(back.Existed());
  EXPECT_EQ(back.ReadInt("Zero", 7), 0);
  EXPECT_TRUE(back.ReadBool("On", false));
  EXPECT_FALSE(back.ReadBool("Off", true));
  back.SetSection("other");
  EXPECT_EQ(back.ReadString("name", ""), Sjis("ＭＳ ゴシック"));
}

TEST(ProfileFile, ReadingFollowsThePrivateProfileRules) {
  CProfileFile f = CProfileFile::FromText(
      "; comment\n[S]\n  Key1 =  +12abc  \nKey2=-7\nKey3=abc\nKey4=\nBool1=TRUE\nBool2=yes\n"
      "Str= \"quoted value\" \n[Unclosed\nDup=first\nDup=second\nBig=4294967295\n"
      "Huge=99999999999\n[s]\nLate=1\n");  // "[Unclosed" is a plain line, not a section
  f.SetSection("S");
  EXPECT_EQ(f.ReadInt("key1", 0), 12);
  EXPECT_EQ(f.ReadInt("Key2", 0), -7);
  EXPECT_EQ(f.ReadInt("Key3", 5), 0);  // no number: 0
  EXPECT_EQ(f.ReadInt("Key4", 5), 5);  // empty: the default
  EXPECT_EQ(f.ReadInt("Missing", 9), 9);
  EXPECT_TRUE(f.ReadBool("Bool1", true));  // capitals are not "true"
  EXPECT_FALSE(f.ReadBool("Bool1", false));
  EXPECT_TRUE(f.ReadBool("Bool2", true));
  EXPECT_EQ(f.ReadString("Str", ""), "quoted value");
  EXPECT_EQ(f.ReadString("Dup", ""), "first");
  EXPECT_EQ(f.ReadUnsigned("Big", 0), -1);
  EXPECT_EQ(f.ReadInt("Late", 0), 0);  // a second section of the same name is not seen
  EXPECT_EQ(f.ReadString("Missing", "dflt"), "dflt");
  EXPECT_EQ(f.SectionNames(), (std::vector<std::string>{"S", "s"}));
  f = CProfileFile::FromText("[ApplicationData]\nKey2=3\n");  // takes the other's text and section
  EXPECT_EQ(f.ReadInt("Key2", 0), 3);
}

TEST(ProfileFile, LongStringsAreCutWithoutSplittingACharacter) {
  std::string value(4094, 'a');
  value += Sjis("あ");  // bytes 4094 and 4095
  std::string text = "[ApplicationData]\nK=";
  text += value;
  text += "\n";
  CProfileFile f = CProfileFile::FromText(text);
  EXPECT_EQ(f.ReadString("K", "").size(), 4094u);
  EXPECT_EQ(f.ReadString("K", "", 1 << 20), value);
}

TEST(ProfileFile, RewritingKeepsOtherLinesAndPlaces) {
  TempDir dir;
  std::string path = dir.File("b.ini");
  WriteText(path, "[A]\nx=1\n;note\ny=2\n[B]\nz=3\n");
  {
    CProfileFile f(path);
    f.SetSection("a");
    f.WriteInt("X", 5);
    f.WriteInt("w", 6);
    f.SetSection("C");
    f.WriteString("v", "line1\nline2");  // a line break may not inject a line
  }                                      // flushed on destruction
  EXPECT_EQ(ReadWholeFile(path).value(),
            "[A]\r\nx=+5\r\n;note\r\ny=2\r\nw=+6\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nv=line1\r\n");
}

TEST(ProfileFile, AFailedFlushKeepsTheOldFileAndReportsIt) {
  TempDir dir;
  std::string missingFolder = dir.File("no/such/folder/c.ini");
  CProfileFile f(missingFolder);
  f.WriteInt("k", 1);
  EXPECT_EQ(f.Flush(), -1);

  std::string path = dir.File("d.ini");
  WriteText(path, "[A]\nk=1\n");
  std::filesystem::permissions(
      dir.Path().string(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  bool canStillWrite = access(dir.Path().string().c_str(), W_OK) == 0;  // true when run as root
  CProfileFile g(path);
  g.SetSection("A");
  g.WriteInt("k", 2);
  int rc = g.Flush();
  std::filesystem::permissions(dir.Path().string(), std::filesystem::perms::owner_all);
  if (!canStillWrite) {
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(ReadWholeFile(path).value(), "[A]\nk=1\n");
  }
  // No temporary file is left behind either way.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path().string()), {}), 1);
}

TEST(ProfileFile, ParseLeadingIntTakesSignAndDigitsModulo32Bits) {
  const std::pair<const char*, int32_t> rows[] = {{"+30", 30},        {" -12x", -12},    {"x12", 0},
                                                  {"4294967295", -1}, {"4294967296", 0}, {"-", 0}};
  for (const auto& [text, value] : rows) EXPECT_EQ(ParseLeadingInt(text), value) << text;
  EXPECT_EQ(ParseLeadingInt(std::string_view("1234").substr(0, 2)), 12) << "stops at the view's end";
}

}  // namespace
}  // namespace kore
