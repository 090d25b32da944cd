// Runs kore-cli as a user would: the tables of command lines under tests/cli/data/, and every
// subcommand that reads a song.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using kore::testing::CliRun;

// Messages are checked wherever they appear, so standard error is read with the output.
CliRun RunCli(const std::vector<std::string>& args) {
  CliRun run = kore::testing::RunKoreCli(args);
  run.out += run.err;
  return run;
}

using kore::testing::SourceFile;
using test::TempDir;

TEST(EventsCli, Table) { kore::testing::CheckCliTable("tests/cli/data/events.txt"); }
TEST(GameCli, Table) { kore::testing::CheckCliTable("tests/cli/data/game.txt"); }
TEST(SongCli, Table) { kore::testing::CheckCliTable("tests/cli/data/song.txt"); }
TEST(SmfImportCli, Table) { kore::testing::CheckCliTable("tests/cli/data/smf_import.txt"); }

// Every subcommand that reads a song takes the same three formats and refuses the same files,
// with the same text and exit code, writing nothing.
TEST(SongArgument, EverySubcommandOpensAnyFormatAndRefusesWhatIsNoSong) {
  TempDir dir;
  const std::string noise = SourceFile("tests/playback/data/tiny.dls");  // binary, no sections
  std::string kor = dir.File("demo.kor");
  ASSERT_EQ(RunCli({"convert", SourceFile("data/demo.mml"), kor}).exitCode, 0);
  const std::string mms = SourceFile("data/fixtures/song/parts_0_3.mms");
  const std::string out = dir.File("out.bin");
  struct Row {
    const char* command;
    std::vector<std::string> extra;  // after SONG
    bool writes;
  } rows[] = {
      {"info", {}, false},         {"events", {"--song"}, false}, {"game", {}, false},
      {"export-smf", {out}, true}, {"render", {out}, true},       {"play", {"--dump"}, false},
  };
  for (const Row& row : rows) {
    std::vector<std::string> args = {row.command, noise};
    args.insert(args.end(), row.extra.begin(), row.extra.end());
    CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1) << row.command;
    EXPECT_NE(run.out.find("ファイルのオープンに失敗しました: " + noise), std::string::npos)
        << row.command << ": " << run.out;
    EXPECT_FALSE(std::filesystem::exists(out)) << row.command;
    if (std::string(row.command) == "play") continue;  // plays in real time
    for (const std::string& song : {kor, mms}) {
      args[1] = song;
      run = RunCli(args);
      EXPECT_EQ(run.exitCode, 0) << row.command << " " << song << ": " << run.out;
      EXPECT_EQ(std::filesystem::exists(out), row.writes) << row.command << " " << song;
      std::filesystem::remove(out);
    }
  }
}

}  // namespace
}  // namespace kore
