#include <gtest/gtest.h>

#include "mml/game_export.h"
#include "mml/mml_writer.h"
#include "tests/mml/writer/music.h"

namespace kore {
namespace {

using testing::Difference;
using testing::GameMmlGenerator;
using testing::Play;

// Bytes a rewrite may contain: game commands only, no comments, no white space.
bool OnlyGameCommands(const std::string& text) {
  return text.find_first_not_of("0123456789abcdefgilnortv+-.<>&") == std::string::npos;
}

// The text on one line, for failure messages.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

void ExpectSameMusic(const std::string& original, const testing::Music& played, int32_t mode) {
  std::string rewritten;
  int32_t appended = WriteGameMml(original, rewritten, mode);
  ASSERT_EQ(appended, static_cast<int32_t>(rewritten.size()));
  ASSERT_TRUE(OnlyGameCommands(rewritten)) << rewritten;
  std::string difference = Difference(played, Play(rewritten));
  ASSERT_TRUE(difference.empty()) << "mode " << mode << ": " << difference
                                  << "\noriginal:  " << Escaped(original)
                                  << "\nrewritten: " << rewritten;
}

TEST(WriterProperty, RandomGameTextsPlayTheSameInBothModes) {
  GameMmlGenerator generator(20261206);
  for (int n = 0; n < 10000; ++n) {
    std::string text = generator.Next();
    testing::Music played = Play(text);
    ExpectSameMusic(text, played, kWriterModePlain);
    ExpectSameMusic(text, played, kWriterModeDotted);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(WriterProperty, RandomExtendedTextsPlayTheSameInTheGameDialect) {
  GameMmlGenerator generator(77);
  for (int n = 0; n < 1500; ++n) {
    std::string text = generator.Next(/*extended=*/true);
    testing::Music played = Play(text);
    ExpectSameMusic(text, played, kWriterModePlain);
    ExpectSameMusic(text, played, kWriterModeDotted);
    if (::testing::Test::HasFatalFailure()) return;
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
