#include <QAccessible>
#include <QAccessibleInterface>
#include <memory>

#include "app/dialogs/clip_commands.h"
#include "app/dialogs/config_sheet.h"
#include "app/dialogs/marker_dialog.h"
#include "app/dialogs/property_commands.h"
#include "app/dialogs/smf_import_dialog.h"
#include "app/dialogs/text_search_dialog.h"
#include "tests/app/dialogs/fake_host.h"

namespace kore::dialogs {
namespace {

using namespace test;

// Every control a user operates must carry a name through the accessibility tree.
void CollectUnnamed(QAccessibleInterface* node, const QString& path, QStringList& unnamed) {
  static const QList<QAccessible::Role> kOperated = {
      QAccessible::PushButton, QAccessible::CheckBox,     QAccessible::RadioButton,
      QAccessible::ComboBox,   QAccessible::EditableText, QAccessible::Slider,
      QAccessible::List,       QAccessible::SpinBox};
  if (!node || node->state().invisible) return;
  const QString here =
      path + "/" + (node->object() ? node->object()->objectName() : node->text(QAccessible::Name));
  if (kOperated.contains(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty())
    unnamed << here;
  for (int i = 0; i < node->childCount(); ++i) CollectUnnamed(node->child(i), here, unnamed);
}

TEST(Accessibility, EveryDialogIsNamedByItsCaptionAndEveryControlByItsText) {
  FakeHost host;
  host.MakeTracks({{"a", "cde"}, {"b", "efg"}});
  host.document.AddMarker(128, "m", 0);
  auto search = std::make_unique<CMMLTextSearch>(host);
  search->OpenReplace();
  std::unique_ptr<QDialog> dialogs[] = {
      std::make_unique<CMMLTrackPropaty>(TrackPropertyOptionsFor(host, 0)),
      std::make_unique<CMMLPropatyDlg>(SongPropertyOptionsFor(host)),
      std::make_unique<CMMLClipExportDlg>(ClipExportOptionsFor(host)),
      std::make_unique<CMMLClipImportDlg>(ClipImportOptions{3}),
      std::make_unique<CMMLMarkerDlg>(
          MarkerOptions{.mode = MarkerMode::Edit, .name = "m", .timeBase = {}}),
      std::make_unique<CMMLSmfImportDlg>(SmfImportDialogOptions{
          .fileName = "a.mid", .sources = {{0, " 1 : A01"}}, .options = {}, .selectedSources = {}}),
      std::make_unique<CMMLConfigSheet>(ConfigOptions{
          .settings = {}, .outputs = {{"Mapper", 0, -1}}, .synthesizerAvailable = true}),
      std::move(search),
  };
  for (const auto& dialog : dialogs) {
    const std::string name = dialog->metaObject()->className();
    dialog->show();
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(dialog.get());
    ASSERT_NE(root, nullptr) << name;
    EXPECT_FALSE(dialog->windowTitle().isEmpty()) << name;
    EXPECT_EQ(root->text(QAccessible::Name), dialog->windowTitle()) << name;
    QStringList unnamed;
    CollectUnnamed(root, QString::fromStdString(name), unnamed);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
    dialog->hide();
  }
}

TEST(Accessibility, FormHelperStripsMnemonics) {
  for (auto [label, name] : {std::pair{"トラック名(&N)", "トラック名"}, {"&Open", "Open"},
                             {"A && B", "A & B"},
                             {"ウィンドウスタイル(&S) ※要再起動", "ウィンドウスタイル ※要再起動"}})
    EXPECT_EQ(StripMnemonic(QString::fromUtf8(label)), QString::fromUtf8(name)) << label;
}

}  // namespace
}  // namespace kore::dialogs
