// Runs `kore-cli info`, `kore-cli convert` and `kore-cli events SONG` as a user would.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/profile_file.h"
#include "base/shift_jis.h"
#include "song/foreign_formats.h"
#include "song/song_file.h"
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

TEST(InfoCommand, PrintsTheDemoSongAsJson) {
  CliRun run = RunCli({"info", SourceFile("data/demo.mml")});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  nlohmann::json j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["title"], "はじまりの森");
  EXPECT_EQ(j["timeBase"]["ticksPerQuarter"], 32);
  EXPECT_EQ(j["trackOrder"], nlohmann::json::array({0, 1, 2}));
  ASSERT_EQ(j["tracks"].size(), 3u);
  const auto& first = j["tracks"][0];
  EXPECT_EQ(first["name"], "メロディ");
  EXPECT_EQ(first["instrument"], 3);
  EXPECT_EQ(first["volume"], 110);
  EXPECT_GT(first["characters"].get<int>(), 0);
  EXPECT_NE(first["text"].get<std::string>().find("e4gec4e4"), std::string::npos);
  ASSERT_EQ(j["markers"].size(), 2u);
  EXPECT_EQ(j["markers"][0]["name"], "サビ");
  EXPECT_EQ(j["markers"][0]["tick"], 512);
  EXPECT_EQ(j["markers"][1]["colour"], 0xB05A28);
}

TEST(InfoCommand, FailsClearlyOnAMissingOrDamagedFile) {
  CliRun run = RunCli({"info", "/nonexistent/song.mml"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("ファイルのオープンに失敗しました"), std::string::npos) << run.out;
  TempDir dir;
  std::string bad = dir.File("bad.kor");
  ASSERT_EQ(WriteFileAtomically(bad, "not a kor file at all"), 0);
  EXPECT_EQ(RunCli({"info", bad}).exitCode, 1);
}

// Every subcommand that reads a song takes the same three formats and refuses the same files,
// with the same text and exit code, writing nothing.
TEST(SongArgument, EverySubcommandOpensAnyFormatAndRefusesWhatIsNoSong) {
  TempDir dir;
  std::string noise(100000, '\0');
  uint32_t x = 7;
  for (char& c : noise) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  ASSERT_EQ(WriteFileAtomically(dir.File("noise.mml"), noise), 0);
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
    std::vector<std::string> args = {row.command, dir.File("noise.mml")};
    args.insert(args.end(), row.extra.begin(), row.extra.end());
    CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1) << row.command;
    EXPECT_NE(run.out.find("ファイルのオープンに失敗しました: " + dir.File("noise.mml")),
              std::string::npos)
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

TEST(ConvertCommand, MmsToSongFileAndKorRoundTrip) {
  TempDir dir;
  std::string mml = dir.File("out.mml");
  CliRun run =
      RunCli({"convert", SourceFile("data/fixtures/song/parts_0_3.mms"), mml, "--mode", "plain"});
  ASSERT_EQ(run.exitCode, 0) << run.out;
  LoadedSong song;
  ASSERT_EQ(ReadSongFile(mml, song), 0);
  EXPECT_EQ(song.title, Sjis("森の歌"));
  EXPECT_TRUE(song.slots[10].inUse);
  EXPECT_EQ(song.slots[0].instrument, 4);
  EXPECT_NE(ReadWholeFile(mml).value().find("[ChannelProperty11]"), std::string::npos);

  std::string kor = dir.File("out.kor");
  ASSERT_EQ(RunCli({"convert", mml, kor}).exitCode, 0);
  LoadedSong fromKor;
  ASSERT_EQ(ReadKorFile(kor, fromKor), 0);
  EXPECT_EQ(fromKor.texts[10], song.texts[10]);
  EXPECT_EQ(fromKor.slots[0].name, song.slots[0].name);
  EXPECT_EQ(fromKor.timeBase, song.timeBase);
}

TEST(ConvertCommand, ClipboardTextWithGroupsOrASongFile) {
  TempDir dir;
  std::string out = dir.File("clip.mml");
  ASSERT_EQ(RunCli({"convert", "--clipboard-text", SourceFile("data/fixtures/song/two_groups.txt"),
                    out, "--default-tpq", "480"})
                .exitCode,
            0);
  LoadedSong song;
  ASSERT_EQ(ReadSongFile(out, song), 0);
  EXPECT_EQ(song.timeBase.ticksPerQuarter, 480);
  EXPECT_TRUE(song.slots[2].inUse);
  EXPECT_FALSE(song.slots[3].inUse);

  std::string text = dir.File("song.txt");
  ASSERT_EQ(WriteFileAtomically(text, "[Settings]\r\nTitle=T\r\n[Channel4]\r\ncde\r\n"), 0);
  ASSERT_EQ(RunCli({"convert", "--clipboard-text", text, out, "--mode", "compatible"}).exitCode, 0);
  ASSERT_EQ(ReadSongFile(out, song), 0);
  EXPECT_EQ(song.title, "T");
  EXPECT_EQ(song.texts[3], "cde\r\n");
}

TEST(ConvertCommand, AFailedConversionKeepsTheTarget) {
  TempDir dir;
  std::string out = dir.File("keep.mml");
  ASSERT_EQ(WriteFileAtomically(out, "precious"), 0);
  EXPECT_EQ(RunCli({"convert", "/nonexistent.mms", out}).exitCode, 1);
  EXPECT_EQ(ReadWholeFile(out).value(), "precious");
  EXPECT_NE(RunCli({"convert", SourceFile("data/demo.mml"), out, "--mode", "fancy"}).exitCode, 0);
  EXPECT_EQ(ReadWholeFile(out).value(), "precious");
  EXPECT_EQ(RunCli({"convert", SourceFile("data/demo.mml"), dir.File("no/such/x.mml")}).exitCode,
            1);
}

TEST(EventsCommand, ReadsASongFileByTrackOrWhole) {
  const std::string demo = SourceFile("data/demo.mml");
  CliRun bass = RunCli({"events", demo, "--track", "1", "--summary"});
  ASSERT_EQ(bass.exitCode, 0) << bass.out;
  EXPECT_EQ(bass.out, "records=41 notes=31 endTick=1024 characters=57\n");
  CliRun song = RunCli({"events", demo, "--song", "--summary"});
  ASSERT_EQ(song.exitCode, 0) << song.out;
  EXPECT_EQ(song.out, "records=107 notes=75 endTick=1024 characters=155\n");

  CliRun first = RunCli({"events", demo});  // the first tab's track
  ASSERT_EQ(first.exitCode, 0) << first.out;
  EXPECT_EQ(first.out.rfind("kind\ttick\t", 0), 0u);
  CliRun whole = RunCli({"events", demo, "--song"});
  ASSERT_EQ(whole.exitCode, 0);
  // Song order: the second line is track 0's first record, and every track appears.
  EXPECT_NE(whole.out.find("\t2\t"), std::string::npos);
  size_t lines = 0;
  for (char c : whole.out) lines += c == '\n' ? 1 : 0;
  EXPECT_EQ(lines, 108u);
}

TEST(EventsCommand, SongArgumentsAreChecked) {
  const std::string demo = SourceFile("data/demo.mml");
  EXPECT_EQ(RunCli({"events", demo, "--track", "5"}).exitCode, 2);  // slot not in use
  const std::vector<std::string> bad[] = {{"events", demo, "--track", "16"},
                                          {"events", demo, "--mml", "cde"},
                                          {"events", "--track", "1", "--mml", "cde"},
                                          {"events", demo, "--song", "--track", "1"}};
  for (const auto& args : bad) EXPECT_NE(RunCli(args).exitCode, 0) << args[2];
  CliRun missing = RunCli({"events", "/nonexistent.mml", "--song"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.out.find("ファイルのオープンに失敗しました"), std::string::npos);
}

}  // namespace
}  // namespace kore
