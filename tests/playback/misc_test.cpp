#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "playback/game_folder.h"
#include "playback/level_meter.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

namespace fs = std::filesystem;

TEST(LevelMeter, HeldAndReleasedNotesDecay) {
  // Velocity 127 held for 7.5 s shows 30 of 60 segments.
  EXPECT_EQ(LevelMeterSegments(DecayedLevel(127, 17500, 10000, -1)), 30);
  EXPECT_EQ(LevelMeterSegments(DecayedLevel(127, 10000, 10000, -1)), 60);
  EXPECT_EQ(DecayedLevel(127, 25000, 10000, -1), 0);
  // Released 300 ms after its start: about half 300 ms later, nothing after 600 ms.
  const int32_t half = DecayedLevel(100, 600, 0, 300);
  EXPECT_NEAR(half, 100 - 6 - 50, 1);
  EXPECT_EQ(DecayedLevel(100, 950, 0, 300), 0);
  EXPECT_EQ(DecayedLevel(0, 100, 0, -1), 0);
  // A note held for ten hours neither wraps around nor fills the meter.
  EXPECT_EQ(DecayedLevel(127, int64_t{36'000'000}, 0, -1), 0);
  EXPECT_EQ(LevelMeterSegments(-3), 0);
}

class GameFolderTest : public ::testing::Test {
 protected:
  void Registry(const std::string& body) {
    std::ofstream out(dir_.File("user.reg"));
    out << "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\n\n" << body;
  }
  test::TempDir dir_;
};

TEST_F(GameFolderTest, DefaultValueGivesTheFolderUnderTheDrive) {
  fs::create_directories(dir_.Path() / "drive_c" / "Games" / "Elvara" / "MP3");
  std::ofstream(dir_.Path() / "drive_c" / "Games" / "Elvara" / "MP3" / "TONEWELL.DLS") << "x";
  // "\x0045" is an escaped "E": the letters after it are kept.
  Registry("[Software\\\\Harrow\\\\Elvara] 1700000000\n#time=1d\n"
           "@=\"C:\\\\Games\\\\\\x0045lvara\\\\  \"\n");
  std::string folder;
  ASSERT_EQ(FindGameFolderInPrefix(dir_.Path().string(), folder), 0);
  EXPECT_EQ(folder, (dir_.Path() / "drive_c" / "Games" / "Elvara").string());
  EXPECT_TRUE(fs::exists(GameDlsCandidate(folder)));
}

TEST_F(GameFolderTest, FilesValueIsSearchedForAGameFileName) {
  Registry("[Software\\\\Other]\n@=\"C:\\\\Nope\"\n\n"
           "[Software\\\\Harrow\\\\Elvara]\n\"Files\"=\"C:\\\\tmp\\\\readme.txt*D:\\\\Play\\\\Elvara\\\\ELVARA.EXE\"\n");
  std::string folder;
  ASSERT_EQ(FindGameFolderInPrefix(dir_.Path().string(), folder), 0);
  EXPECT_EQ(folder, (dir_.Path() / "dosdevices" / "d:" / "Play" / "Elvara").string());
}

TEST_F(GameFolderTest, MissingKeyOrRegistryFails) {
  std::string folder;
  EXPECT_NE(FindGameFolderInPrefix(dir_.File("nowhere"), folder), 0);
  Registry("[Software\\\\Harrow\\\\Elvara]\n\"Files\"=\"C:\\\\tmp\\\\readme.txt\"\n\"Count\"=dword:00000001\n");
  EXPECT_NE(FindGameFolderInPrefix(dir_.Path().string(), folder), 0);
  Registry("[Software\\\\Harrow]\n@=\"C:\\\\Games\"\n");
  EXPECT_NE(FindGameFolderInPrefix(dir_.Path().string(), folder), 0);
  // A registry file too large to be real is not read, whatever it holds.
  Registry("[Software\\\\Harrow\\\\Elvara]\n@=\"C:\\\\Games\"\n");
  fs::resize_file(dir_.File("user.reg"), (std::uintmax_t{256} << 20) + 1);
  EXPECT_NE(FindGameFolderInPrefix(dir_.Path().string(), folder), 0);
}

}  // namespace
}  // namespace kore
