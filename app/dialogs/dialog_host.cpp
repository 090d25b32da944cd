#include "app/dialogs/dialog_host.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>

#include "app/dialogs/form.h"

namespace kore::dialogs {

std::optional<FileChosen> DialogHost::ChooseFile(const FileChoice& choice) {
  QFileDialog dialog(DialogParent(), choice.title, choice.initialPath);
  // Qt's own dialog: its file-name field and accept button are reachable through AT-SPI.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(choice.filters);
  dialog.setDefaultSuffix(choice.defaultSuffix);
  if (!choice.initialPath.isEmpty()) dialog.selectFile(choice.initialPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  FileChosen chosen;
  chosen.path = dialog.selectedFiles().front().toStdString();
  chosen.filterIndex =
      static_cast<int32_t>(choice.filters.indexOf(dialog.selectedNameFilter()));
  if (chosen.filterIndex < 0) chosen.filterIndex = 0;
  return chosen;
}

bool DialogHost::SetClipboardText(std::string_view sjis) {
  QClipboard* clipboard = QApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(FromSjis(sjis));
  return true;
}

std::optional<std::string> DialogHost::ClipboardText() {
  QClipboard* clipboard = QApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (!data || !data->hasText()) return std::nullopt;
  return ToSjis(data->text());
}

}  // namespace kore::dialogs
