// The file commands with scripted answers: prompts, failures that keep the song, and the
// backup copy.
#include "app/document_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/profile_file.h"
#include "base/shift_jis.h"
#include "song/foreign_formats.h"
#include "song/loaded_song.h"
#include "tests/app/scripted_ui.h"
#include "tests/base/temp_folder.h"

namespace kore {
namespace {

namespace fs = std::filesystem;

class DocumentCommandsTest : public ::testing::Test {
 protected:
  DocumentCommandsTest() : commands(document, settings, ui) {
    commands.SetClock([this] { return now; });
    document.NewSong(3, 32);
    commands.RestartStamp();
  }
  void Type(const char* text) {
    document.SetTrackText(0, text);
    document.SetModified();
  }
  void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::time_t now = 1700000000;
  CMMLDocument document;
  AppSettings settings;
  test::ScriptedUi ui;
  DocumentCommands commands;
  testing_support::TempFolder folder;
};

TEST_F(DocumentCommandsTest, PromptOfAnUntitledSongAndCancelKeepsIt) {
  Type("c8d8");
  ui.saveAnswer = SaveAnswer::Cancel;
  commands.NewSong();
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0], "ファイル  <新規作成> 変更されています。\n\n変更を保存しますか？");
  EXPECT_EQ(document.TrackText(0), "c8d8");
  EXPECT_TRUE(document.IsModified());
}

TEST_F(DocumentCommandsTest, SavingAnUntitledSongAndCancellingLeavesItUntitledAndModified) {
  Type("c");
  EXPECT_FALSE(commands.Save(false));
  EXPECT_EQ(ui.dialogTitles, std::vector<std::string>{"名前を付けて保存"});
  EXPECT_TRUE(document.Path().empty());
  EXPECT_TRUE(document.IsModified());
}

TEST_F(DocumentCommandsTest, PromptYesSavesThenProceeds) {
  Type("c");
  ui.saveAnswer = SaveAnswer::Yes;
  std::string path = folder.File("kept.mml");
  ui.files.push_back(FileChoice{path, 0});
  commands.NewSong();
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(document.TrackText(0), "");
  ASSERT_EQ(commands.RecentFiles().size(), 1u);
  EXPECT_EQ(commands.RecentFiles()[0], path);
}

TEST_F(DocumentCommandsTest, KorPathGetsAKorFileItsReaderAccepts) {
  Type("t150c4");
  std::string path = folder.File("song.kor");
  ui.files.push_back(FileChoice{path, 0});
  ASSERT_TRUE(commands.Save(true));
  LoadedSong back;
  ASSERT_EQ(ReadKorFile(path, back), 0);
  EXPECT_EQ(back.texts[0], "t150c4");
  EXPECT_FALSE(document.IsModified());
}

TEST_F(DocumentCommandsTest, FilesThatAreNotSongsAreRefusedAndTheSongKept) {
  struct Row {
    const char* name;
    const char* file;
    const char* bytes;  // null: no file at all
  };
  const Row rows[] = {
      {"plain text", "notes.mml", "hello\r\nworld\r\n"},
      {"empty file", "empty.mml", ""},
      {"missing file", "missing.mml", nullptr},
      {"broken kor", "broken.kor", "not a kor"},
  };
  Type("c");
  document.SetPath(folder.File("current.mml"));
  for (const Row& row : rows) {
    std::string path = folder.File(row.file);
    if (row.bytes) WriteFile(path, row.bytes);
    ui.errors.clear();
    EXPECT_FALSE(commands.OpenPath(path)) << row.name;
    EXPECT_EQ(ui.errors, std::vector<std::string>{"ファイルのオープンに失敗しました"}) << row.name;
    EXPECT_EQ(document.Path(), folder.File("current.mml")) << row.name;
    EXPECT_EQ(document.TrackText(0), "c") << row.name;
    EXPECT_TRUE(document.IsModified()) << row.name;
  }
}

TEST_F(DocumentCommandsTest, RecentFileAndDropAskBeforeReplacingUnsavedWork) {
  std::string other = folder.File("other.mml");
  CMMLDocument source;
  source.NewSong(1, 32);
  source.SetTrackText(0, "e8");
  ASSERT_EQ(SaveSongFile(other, source, SaveMode::Compact), 0);
  Type("c");
  ui.saveAnswer = SaveAnswer::Cancel;
  EXPECT_FALSE(commands.OpenWithPrompt(other));
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(document.TrackText(0), "c");
  ui.saveAnswer = SaveAnswer::No;
  EXPECT_TRUE(commands.OpenWithPrompt(other));
  EXPECT_TRUE(document.TrackText(0).starts_with("e8")) << document.TrackText(0);
  EXPECT_EQ(document.Path(), other);
  EXPECT_FALSE(document.IsModified());
}

TEST_F(DocumentCommandsTest, SmfImportAsksFirstAndTheSongIsNotTakenForSaved) {
  Type("t120 c4d4e4f4");
  std::string midi = folder.File("a.mid");
  ui.files.push_back(FileChoice{midi, 0});
  ASSERT_TRUE(commands.ExportSmf());
  ui.saveAnswer = SaveAnswer::Cancel;
  ui.files.push_back(FileChoice{midi, 0});
  commands.ImportSmf();
  EXPECT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(document.TrackText(0), "t120 c4d4e4f4");

  ui.saveAnswer = SaveAnswer::No;
  ui.files.push_back(FileChoice{midi, 0});
  commands.ImportSmf();
  EXPECT_EQ(document.Path(), folder.File("a.mml"));
  EXPECT_TRUE(document.IsModified());
  EXPECT_NE(document.TrackText(0).find("c4"), std::string_view::npos);

  // The first save asks before replacing a file that was never this song.
  WriteFile(folder.File("a.mml"), "[Settings]\r\n");
  ui.replaceAnswer = false;
  EXPECT_FALSE(commands.Save(false));
  EXPECT_EQ(ui.replaceQuestions.size(), 1u);
  EXPECT_EQ(*ReadWholeFile(folder.File("a.mml")), "[Settings]\r\n");
  ui.replaceAnswer = true;
  EXPECT_TRUE(commands.Save(false));
  EXPECT_FALSE(document.IsModified());
  EXPECT_TRUE(commands.Save(false));
  EXPECT_EQ(ui.replaceQuestions.size(), 2u);
}

TEST_F(DocumentCommandsTest, ClipboardWithoutTextShowsItsMessage) {
  ui.clipboard.reset();
  commands.ImportClipboard();
  EXPECT_EQ(ui.errors, std::vector<std::string>{"クリップボードのオープンに失敗しました。"});
}

TEST_F(DocumentCommandsTest, ClipboardGameTextAppendsTracksWithTheChosenInstrument) {
  ui.clipboard = "MML@t120c,e,g;";
  ui.clipChoice = ClipImportChoice{true, 5};
  int32_t before = document.TrackCount();
  commands.ImportClipboard();
  ASSERT_EQ(document.TrackCount(), before + 3);
  int32_t added = document.TrackOrder()[static_cast<size_t>(before)];
  EXPECT_EQ(document.Track(added).instrument, 5);
  EXPECT_EQ(document.TrackText(added), "t120c");
}

TEST_F(DocumentCommandsTest, AutosaveNamesTheFileAfterTheSongsStartAndOverwritesIt) {
  std::string backups = folder.File("autosave");
  EXPECT_FALSE(commands.Autosave(backups)) << "an unmodified song is not copied";
  Type("c");
  now += 3600;  // later autosaves keep the name of the song's start
  std::optional<std::string> first = commands.Autosave(backups);
  ASSERT_TRUE(first);
  std::tm local{};
  std::time_t start = 1700000000;
  localtime_r(&start, &local);
  char expected[64];
  std::strftime(expected, sizeof expected, "~%Y%m%d_%H%M%S.mml", &local);
  EXPECT_EQ(fs::path(*first).filename().string(), expected);
  Type("d");
  EXPECT_EQ(commands.Autosave(backups), first);
  LoadedSong back;
  ASSERT_EQ(ReadSongFile(*first, back), 0);
  EXPECT_TRUE(back.texts[0].starts_with("d")) << back.texts[0];
  EXPECT_TRUE(document.Path().empty()) << "the song keeps its own path";
  EXPECT_TRUE(document.IsModified());
}

TEST(FileDialogTexts, WindowsFiltersBecomeQtFilters) {
  EXPECT_EQ(OpenDialogSpec().filters,
            (std::vector<std::string>{"すべての対応形式 (*.mml *.mms)", "ElvaraMML形式 (*.mml)",
                                      "Tamalin形式 (*.mms)", "すべてのファイル (*)"}));
  EXPECT_EQ(OpenDialogSpec().title, "MMLファイルを開く");
}

}  // namespace
}  // namespace kore
