// Runs `kore-cli events` as a user would and checks its TSV, summary and errors.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/cli/cli_runner.h"

namespace {

using kore::testing::CliRun;

std::string TempPath(const std::string& name) {
  return kore::testing::CliTempPath("events_" + name);
}

CliRun Events(std::vector<std::string> args) {
  args.insert(args.begin(), "events");
  return kore::testing::RunKoreCli(args);
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(line);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!line.empty() && line.back() == separator) parts.emplace_back();
  return parts;
}

// Rows of the TSV as maps from the header's field names to the printed values.
std::vector<std::map<std::string, std::string>> Rows(const std::string& tsv) {
  std::vector<std::string> lines = Split(tsv, '\n');
  std::vector<std::map<std::string, std::string>> rows;
  if (lines.empty()) return rows;
  std::vector<std::string> names = Split(lines[0], '\t');
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    std::vector<std::string> values = Split(lines[i], '\t');
    EXPECT_EQ(values.size(), names.size()) << lines[i];
    std::map<std::string, std::string> row;
    for (size_t k = 0; k < names.size() && k < values.size(); ++k) row[names[k]] = values[k];
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> KindsOf(const std::vector<std::map<std::string, std::string>>& rows) {
  std::vector<std::string> kinds;
  for (const auto& row : rows) kinds.push_back(row.at("kind"));
  return kinds;
}

TEST(EventsCli, SingleNoteIsPrintedExactly) {
  CliRun run = Events({"--mml", "c"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, kore::testing::ReadWholeFileForTest(
                         kore::testing::SourceFile("tests/cli/data/single_note.tsv")));
  EXPECT_TRUE(run.err.empty());
}

// What each option changes; what the compiler makes of the text is the compiler's tests' business.
TEST(EventsCli, OptionsReachTheCompilerAndThePrintout) {
  EXPECT_EQ(KindsOf(Rows(Events({"--mml", "c4&c4"}).out)),
            (std::vector<std::string>{"Measure", "Note", "EndOfTrack"}));
  EXPECT_EQ(KindsOf(Rows(Events({"--keep-ties", "--mml", "c4&c4"}).out)),
            (std::vector<std::string>{"Measure", "Note", "Tie", "Note", "EndOfTrack"}));
  auto sysex = Rows(Events({"--mml", "//#using_extension\nEX xF0,x41,x10,xF7"}).out);
  ASSERT_EQ(sysex.size(), 4u);
  EXPECT_EQ(sysex[2].at("data"), "240 65 16 247");
  auto waltz = Rows(Events({"--tpq", "480", "--beats", "3", "--unit", "4", "--start-tick", "1440",
                            "--mml", "c2.c"})
                        .out);
  ASSERT_EQ(KindsOf(waltz),
            (std::vector<std::string>{"Measure", "Note", "Measure", "Note", "EndOfTrack"}));
  EXPECT_EQ(waltz[1].at("length"), "1440");
  EXPECT_EQ(waltz[2].at("tick"), "2880");
  EXPECT_EQ(waltz[2].at("value"), "2");
  auto states = Rows(Events({"--states", "--mml", "o5"}).out);
  ASSERT_EQ(states.size(), 5u);
  EXPECT_EQ(states[4].at("kind"), "StateOctave");
  EXPECT_EQ(states[4].at("value"), "5");
  EXPECT_EQ(Events({"--summary", "--mml", "c4&c4 r d"}).out,
            "records=5 notes=2 endTick=128 characters=7\n");
  EXPECT_EQ(Events({"--summary", "--mml", ""}).out, "records=1 notes=0 endTick=0 characters=0\n");
}

TEST(EventsCli, InputIsShiftJis) {
  // "ア" is 0x83 0x41 in Shift-JIS; its second byte is the note "A".
  auto fromUtf8 = Rows(Events({"--mml", "/* ドレミ */ ア"}).out);
  ASSERT_EQ(KindsOf(fromUtf8), (std::vector<std::string>{"Measure", "Note", "EndOfTrack"}));
  EXPECT_EQ(fromUtf8[1].at("note"), "69");
  EXPECT_EQ(fromUtf8[1].at("textBegin"), "14");  // offsets count Shift-JIS bytes
  std::string path = TempPath("track.mml");
  {
    std::ofstream out(path, std::ios::binary);
    out << "/* \x83\x68\x83\x8C\x83\x7E */ \x83\x41";
  }
  CliRun fromFile = Events({"--mml-file", path});
  std::remove(path.c_str());
  ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
  EXPECT_EQ(Rows(fromFile.out), fromUtf8);
}

TEST(EventsCli, BadInputAndOptionValuesFailClearly) {
  const std::vector<std::vector<std::string>> bad = {
      {"--mml", "c", "--unit", "3"},
      {"--mml", "c", "--tpq", "0"},
      {"--mml", "c", "--tpq", "961"},
      {"--mml", "c", "--tpq", "abc"},
      {"--mml", "c", "--beats", "0"},
      {"--mml", "c", "--start-tick", "-1"},
      {"--mml", "c", "--mml-file", "x"},
      {"--mml", "\xff"},
      {"--mml-file", "/nonexistent/track.mml"},
      {"--mml-file", "/"},
      {"--summary", "--states", "--mml", "c"},
      {},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    CliRun run = Events(args);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(run.err.empty());
  }
}

}  // namespace
