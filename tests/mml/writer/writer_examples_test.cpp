#include <gtest/gtest.h>

#include "mml/mml_writer.h"
#include "tests/mml/writer/music.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

using testing::Difference;
using testing::Play;

// Both modes' rewrites, which must play what the original plays (apart from tempos above the
// game's limit, which the extended dialect allows).
std::string Rewrite(const std::string& escaped) {
  const std::string mml = test::Unescape(escaped);
  std::string out[2];
  for (int32_t mode : {kWriterModePlain, kWriterModeDotted}) {
    WriteGameMml(mml, out[mode], mode);
    if (mml.find("t300") == std::string::npos) {
      EXPECT_EQ(Difference(Play(mml), Play(out[mode])), "") << escaped << " -> " << out[mode];
    }
  }
  if (out[0] == out[1]) return out[0] + "\n";
  return "plain: " + out[0] + "\ndotted: " + out[1] + "\n";
}

TEST(WriteGameMml, TableOfRewrites) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/mml/writer/data/rewrites.txt", Rewrite);
}

TEST(WriteGameMml, AppendsAndCountsOnlyWhatItAppends) {
  std::string out = "MML@";
  EXPECT_EQ(WriteGameMml("c4 d4", out, kWriterModePlain), 2);
  EXPECT_EQ(out, "MML@cd");
  EXPECT_EQ(WriteGameMml("", out, kWriterModePlain), 0);
  EXPECT_EQ(WriteGameMml("// only a comment\n/* and another */", out, kWriterModeDotted), 0);
  EXPECT_EQ(out, "MML@cd");
}

}  // namespace
}  // namespace kore
