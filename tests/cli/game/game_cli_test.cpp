// Runs `kore-cli game` as a user would and checks its text, message, JSON and errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/shift_jis.h"
#include "tests/cli/cli_runner.h"

namespace {

using kore::testing::CliRun;

std::string TempPath(const std::string& name) { return kore::testing::CliTempPath("game_" + name); }

CliRun Game(std::vector<std::string> args) {
  args.insert(args.begin(), "game");
  return kore::testing::RunKoreCli(args);
}

class GameCli : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TempPath("song.mml");
    // Plain-mode sections: names from [ChannelProperty%d]; four tracks, the third empty.
    std::string file = kore::Sjis(
        "[Settings]\r\nTitle=夜の曲\r\nSource=自作\r\nMemo=\r\nTimeBase=32\r\n\r\n"
        "[ChannelProperty1]\r\nName=メロディ\r\n[Channel1]\r\nc4 d4 e4 f4 g4 // melody\r\n"
        "[ChannelProperty2]\r\nName=和音\r\n[Channel2]\r\no3 c2 c2\r\n"
        "[ChannelProperty3]\r\nName=空\r\n[Channel3]\r\n// nothing yet\r\n"
        "[ChannelProperty4]\r\nName=低音\r\n[Channel4]\r\no2 c1\r\n");
    std::ofstream(path_, std::ios::binary) << file;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
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
  CliRun missing = Game({TempPath("no_such.mml")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_NE(Game({path_, "--format", "3"}).exitCode, 0);
}

}  // namespace
