// Not a check: with KORE_DIALOG_SCREENSHOTS=<folder> set, shows the track, export and search
// dialogs over the demo song and saves them as dialogs-*.png there (the README's pictures):
//   KORE_DIALOG_SCREENSHOTS=$PWD/docs xvfb-run -a env QT_QPA_PLATFORM=xcb
//     build/tests/test_app_dialogs --gtest_filter=Screenshots.*

#include <QPixmap>
#include <cstdlib>

#include "app/dialogs/clip_commands.h"
#include "app/dialogs/property_commands.h"
#include "app/dialogs/text_search_dialog.h"
#include "song/foreign_formats.h"
#include "song/loaded_song.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using namespace test;

void Save(QWidget& dialog, const std::string& folder, const char* name) {
  dialog.show();
  dialog.adjustSize();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QString path = QString::fromStdString(folder + "/" + name);
  EXPECT_TRUE(dialog.grab().save(path, "PNG")) << name;
  dialog.hide();
}

TEST(Screenshots, DemoSongDialogs) {
  const char* folder = std::getenv("KORE_DIALOG_SCREENSHOTS");
  if (!folder) GTEST_SKIP() << "KORE_DIALOG_SCREENSHOTS not set";
  FakeHost host;
  LoadedSong song;
  ASSERT_EQ(ReadAnySongFile(std::string(KORE_SOURCE_DIR) + "/data/demo.mml", song), 0);
  LoadIntoDocument(song, host.document, std::string(KORE_SOURCE_DIR) + "/data/demo.mml");
  QApplication::setFont(QFont("IPAGothic", 10));

  CMMLTrackPropaty track(TrackPropertyOptionsFor(host, host.document.TrackOrder()[0]));
  Save(track, folder, "dialogs-track.png");
  CMMLClipExportDlg exportDialog(ClipExportOptionsFor(host));
  Save(exportDialog, folder, "dialogs-export.png");
  CMMLTextSearch search(host);
  search.OpenReplace();
  search.findChild<QComboBox*>("searchText")->setEditText("cde");
  Save(search, folder, "dialogs-search.png");
}

}  // namespace
}  // namespace kore::dialogs
