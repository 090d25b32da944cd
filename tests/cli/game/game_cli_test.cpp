// Runs `kore-cli game` as a user would and checks its text, message, JSON and errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_runner.h"

namespace {

using kore::testing::CliRun;

CliRun Game(std::vector<std::string> args) {
  args.insert(args.begin(), "game");
  return kore::testing::RunKoreCli(args);
}

// Plain-mode sections: names from [ChannelProperty%d]; four tracks, the third empty.
class GameCli : public ::testing::Test {
 protected:
  std::string path_ = kore::testing::SourceFile("tests/cli/data/four_tracks.mml");
};

TEST_F(GameCli, FirstThreeTracksByDefault) {
  CliRun run = Game({path_});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // The empty third track still takes its place as an empty chord part.
  EXPECT_EQ(run.out, "MML@c4d4e4f4g4,o3c2c2,;");
  EXPECT_NE(run.err.find("Melody  :   10 文字 [メロディ]"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("必要作曲ランク : 練習"), std::string::npos);
}

TEST_F(GameCli, ChosenTracksOptimisedAsJson) {
  CliRun run = Game({path_, "--tracks", "4,1", "--optimize", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  nlohmann::json json = nlohmann::json::parse(run.out);
  ASSERT_EQ(json["parts"].size(), 2u);
  EXPECT_EQ(json["parts"][0]["name"], "メロディ");
  EXPECT_EQ(json["parts"][0]["characters"], 10);
  EXPECT_EQ(json["parts"][0]["length"], 5);
  EXPECT_EQ(json["parts"][0]["method"], "B");
  EXPECT_EQ(json["parts"][0]["text"], "cdefg");
  EXPECT_EQ(json["parts"][1]["name"], "低音");
  EXPECT_EQ(json["methods"], "BX");  // display order: track 1, then track 4
  EXPECT_EQ(json["rank"]["index"], 0);
  EXPECT_EQ(json["rank"]["name"], "練習");
}

TEST_F(GameCli, BoardFormWithHeader) {
  CliRun run = Game({path_, "--format", "1", "--tracks", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "【曲名】夜の曲\r\n【出典】自作\r\n【作曲可能ランク】練習 (6/0/0)\r\n\r\n"
            "MML@\r\no3c2c2\r\n;\r\n");
}

TEST_F(GameCli, WholeSongFormat) {
  CliRun run = Game({path_, "--format", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("[Settings]\r\nTitle=夜の曲\r\n", 0), 0u);
  EXPECT_NE(run.out.find("o2 c1"), std::string::npos);
  EXPECT_NE(run.err.find("ElvaraMML形式で出力しました。"), std::string::npos);
}

TEST_F(GameCli, BadSelectionsAndFiles) {
  for (const char* list : {"0", "5", "1,1", "1,2,4,3", "x", "1,"}) {
    CliRun run = Game({path_, "--tracks", list});
    EXPECT_EQ(run.exitCode, 2) << list;
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("--tracks"), std::string::npos) << run.err;
  }
  CliRun empty = Game({path_, "--tracks", "3"});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_NE(empty.err.find("nothing to export"), std::string::npos);
  CliRun missing = Game({kore::testing::CliTempPath("no_such.mml")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_NE(Game({path_, "--format", "3"}).exitCode, 0);
}

}  // namespace
