#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "playback/game_folder.h"
#include "playback/level_meter.h"
#include "tests/support/golden.h"
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

// Cases of data/game_folder.txt: a user registry (escaped, "-" for none) under a prefix whose
// drive C holds Games/Elvara/MP3/TONEWELL.DLS. The output is the folder found and the game's DLS
// file in it, or the failure.
TEST(GameFolder, FromTheUserRegistry) {
  test::TempDir dir;
  const fs::path mp3 = dir.Path() / "drive_c" / "Games" / "Elvara" / "MP3";
  fs::create_directories(mp3);
  std::ofstream(mp3 / "TONEWELL.DLS") << "x";
  const std::string prefix = dir.Path().string(), registry = dir.File("user.reg");
  auto write = [&](const std::string& body) {
    std::ofstream(registry) << "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\n\n"
                            << body;
  };
  auto shown = [&](std::string path) {
    return path.rfind(prefix, 0) ? path : "$PREFIX" + path.substr(prefix.size());
  };
  test::CheckGolden(
      KORE_SOURCE_DIR "/tests/playback/data/game_folder.txt", [&](const std::string& body) {
        fs::remove(registry);
        if (body != "-") write(test::Unescape(body));
        std::string folder;
        if (const int rc = FindGameFolderInPrefix(prefix, folder); rc != 0)
          return "refused " + std::to_string(rc) + "\n";
        const std::string dls = GameDlsCandidate(folder);
        return shown(folder) + " " + shown(dls) + (fs::exists(dls) ? " exists\n" : "\n");
      });
  // A registry file too large to be real is not read, whatever it holds.
  write("[Software\\\\Harrow\\\\Elvara]\n@=\"C:\\\\Games\"\n");
  fs::resize_file(registry, (std::uintmax_t{256} << 20) + 1);
  std::string folder;
  EXPECT_NE(FindGameFolderInPrefix(prefix, folder), 0);
}

}  // namespace
}  // namespace kore
