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
#include "tests/support/temp_dir.h"

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

  std::time_t now = 1700000000;
  CMMLDocument document;
  AppSettings settings;
  test::ScriptedUi ui;
  DocumentCommands commands;
  test::TempDir folder;
};

TEST_F(DocumentCommandsTest, UntitledSongPromptCancelKeepsItAndYesSavesThenProceeds) {
  Type("c8d8");
  ui.saveAnswer = SaveAnswer::Cancel;
  commands.NewSong();
  EXPECT_EQ(ui.prompts, std::vector<std::string>{
                            "ファイル  <新規作成> 変更されています。\n\n変更を保存しますか？"});
  EXPECT_EQ(document.TrackText(0), "c8d8");
  // Saving it and cancelling the file dialog leaves it untitled and modified.
  EXPECT_FALSE(commands.Save(false));
  EXPECT_EQ(ui.dialogTitles, std::vector<std::string>{"名前を付けて保存"});
  EXPECT_TRUE(document.Path().empty() && document.IsModified());
  ui.saveAnswer = SaveAnswer::Yes;
  std::string path = folder.File("kept.mml");
  ui.files.push_back(FileChoice{path, 0});
  commands.NewSong();
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(document.TrackText(0), "");
  EXPECT_EQ(commands.RecentFiles(), std::vector<std::string>{path});
}

TEST_F(DocumentCommandsTest, KorPathGetsAKorFileItsReaderAccepts) {
  Type("t150c4");
  std::string path = folder.File("song.kor");
  ui.files.push_back(FileChoice{path, 0});
  ASSERT_TRUE(commands.Save(true));
  LoadedSong back;
  ASSERT_EQ(ReadKorFile(path, back), 0);
  EXPECT_TRUE(back.texts[0] == "t150c4" && !document.IsModified()) << back.texts[0];
}

TEST_F(DocumentCommandsTest, FilesThatAreNotSongsAreRefusedAndTheSongKept) {
  const struct {
    const char* name;
    const char* file;
    const char* bytes;  // null: no file at all
  } rows[] = {
      {"plain text", "notes.mml", "hello\r\nworld\r\n"},
      {"empty file", "empty.mml", ""},
      {"missing file", "missing.mml", nullptr},
      {"broken kor", "broken.kor", "not a kor"},
  };
  Type("c");
  document.SetPath(folder.File("current.mml"));
  for (const auto& row : rows) {
    std::string path = folder.File(row.file);
    if (row.bytes) std::ofstream(path, std::ios::binary) << row.bytes;
    ui.errors.clear();
    EXPECT_FALSE(commands.OpenPath(path)) << row.name;
    EXPECT_EQ(ui.errors, std::vector<std::string>{"ファイルのオープンに失敗しました"}) << row.name;
    EXPECT_TRUE(document.Path() == folder.File("current.mml") && document.TrackText(0) == "c" &&
                document.IsModified())
        << row.name;
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
  EXPECT_TRUE(ui.prompts.size() == 1 && document.TrackText(0) == "c");
  ui.saveAnswer = SaveAnswer::No;
  EXPECT_TRUE(commands.OpenWithPrompt(other));
  EXPECT_TRUE(document.TrackText(0).starts_with("e8")) << document.TrackText(0);
  EXPECT_TRUE(document.Path() == other && !document.IsModified());
}

TEST_F(DocumentCommandsTest, SmfImportAsksFirstAndTheSongIsNotTakenForSaved) {
  Type("t120 c4d4e4f4");
  std::string midi = folder.File("a.mid");
  ui.files.push_back(FileChoice{midi, 0});
  ASSERT_TRUE(commands.ExportSmf());
  ui.saveAnswer = SaveAnswer::Cancel;
  ui.files.push_back(FileChoice{midi, 0});
  commands.ImportSmf();
  EXPECT_TRUE(ui.prompts.size() == 1 && document.TrackText(0) == "t120 c4d4e4f4");

  ui.saveAnswer = SaveAnswer::No;
  ui.files.push_back(FileChoice{midi, 0});
  commands.ImportSmf();
  EXPECT_TRUE(document.Path() == folder.File("a.mml") && document.IsModified());
  EXPECT_NE(document.TrackText(0).find("c4"), std::string_view::npos);

  // The first save asks before replacing a file that was never this song.
  std::ofstream(folder.File("a.mml"), std::ios::binary) << "[Settings]\r\n";
  ui.replaceAnswer = false;
  EXPECT_FALSE(commands.Save(false));
  EXPECT_EQ(ui.replaceQuestions.size(), 1u);
  EXPECT_EQ(*ReadWholeFile(folder.File("a.mml")), "[Settings]\r\n");
  ui.replaceAnswer = true;
  EXPECT_TRUE(commands.Save(false) && !document.IsModified());
  EXPECT_TRUE(commands.Save(false));
  EXPECT_EQ(ui.replaceQuestions.size(), 2u);
}

TEST_F(DocumentCommandsTest, ClipboardGameTextAppendsTracksWithTheChosenInstrument) {
  ui.clipboard.reset();
  commands.ImportClipboard();
  EXPECT_EQ(ui.errors, std::vector<std::string>{"クリップボードのオープンに失敗しました。"});
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
  const std::time_t start = now - 3600;
  localtime_r(&start, &local);
  char expected[64];
  std::strftime(expected, sizeof expected, "~%Y%m%d_%H%M%S.mml", &local);
  EXPECT_EQ(fs::path(*first).filename().string(), expected);
  Type("d");
  EXPECT_EQ(commands.Autosave(backups), first);
  LoadedSong back;
  ASSERT_EQ(ReadSongFile(*first, back), 0);
  EXPECT_TRUE(back.texts[0].starts_with("d")) << back.texts[0];
  EXPECT_TRUE(document.Path().empty() && document.IsModified()) << "the song keeps its own path";
}

TEST(FileDialogTexts, WindowsFiltersBecomeQtFilters) {
  EXPECT_EQ(OpenDialogSpec().filters,
            (std::vector<std::string>{"すべての対応形式 (*.mml *.mms)", "ElvaraMML形式 (*.mml)",
                                      "Tamalin形式 (*.mms)", "すべてのファイル (*)"}));
}

}  // namespace
}  // namespace kore
