#include <gtest/gtest.h>

#include "mml/game_export.h"
#include "mml/mml_writer.h"
#include "tests/mml/writer/music.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

using testing::Difference;
using testing::GameMmlGenerator;
using testing::Play;

// Bytes a rewrite may contain: game commands only, no comments, no white space.
bool OnlyGameCommands(const std::string& text) {
  return text.find_first_not_of("0123456789abcdefgilnortv+-.<>&") == std::string::npos;
}

void ExpectSameMusic(const std::string& original, const testing::Music& played, int32_t mode) {
  std::string rewritten;
  int32_t appended = WriteGameMml(original, rewritten, mode);
  ASSERT_EQ(appended, static_cast<int32_t>(rewritten.size()));
  ASSERT_TRUE(OnlyGameCommands(rewritten)) << rewritten;
  std::string difference = Difference(played, Play(rewritten));
  ASSERT_TRUE(difference.empty()) << "mode " << mode << ": " << difference
                                  << "\noriginal:  " << test::Escape(original)
                                  << "\nrewritten: " << rewritten;
}

// Game texts, and extended ones, which must come out in the game dialect.
TEST(WriterProperty, RandomTextsPlayTheSameInBothModes) {
  for (auto [seed, count, extended] : {std::tuple{20261206u, 10000, false}, {77u, 1500, true}}) {
    GameMmlGenerator generator(seed);
    for (int n = 0; n < count; ++n) {
      std::string text = generator.Next(extended);
      testing::Music played = Play(text);
      ExpectSameMusic(text, played, kWriterModePlain);
      ExpectSameMusic(text, played, kWriterModeDotted);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(WriterProperty, ExportedPartIsNeverLongerThanThePlainForm) {
  GameMmlGenerator generator(4242);
  for (int n = 0; n < 500; ++n) {
    std::string text = generator.Next();
    GameExportTrack track{"t", text};
    GameExportResult result;
    BuildGameMml(std::span(&track, 1), kGameFormatGame, true, result);
    int32_t plain = GamePartLength(PlainGameMml(text, false));
    if (result.parts.empty()) continue;  // nothing the game plays or counts
    ASSERT_LE(result.parts[0].length, plain) << text;
  }
}

}  // namespace
}  // namespace kore
