#include "app/qt_document_ui.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>

namespace kore {
namespace {

const QString kCaption = QStringLiteral("KOR EDITOR");

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SaveAnswer QtDocumentUi::AskSaveChanges(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, kCaption, Q(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setObjectName("SavePrompt");
  switch (box.exec()) {
    case QMessageBox::Yes: return SaveAnswer::Yes;
    case QMessageBox::No: return SaveAnswer::No;
    default: return SaveAnswer::Cancel;
  }
}

std::optional<FileChoice> QtDocumentUi::RunFileDialog(const FileDialogSpec& spec, bool save) {
  QFileDialog dialog(parent_);
  dialog.setObjectName(save ? "SaveFileDialog" : "OpenFileDialog");
  // Qt's own dialog, so accessibility tools meet the usual file-name field and buttons.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!spec.title.empty()) dialog.setWindowTitle(Q(spec.title));
  QStringList filters;
  for (const std::string& filter : spec.filters) filters << Q(filter);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(Q(spec.defaultSuffix));
  if (!spec.initialPath.empty()) dialog.selectFile(Q(spec.initialPath));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return FileChoice{dialog.selectedFiles().front().toStdString(),
                    static_cast<int32_t>(filters.indexOf(dialog.selectedNameFilter()))};
}

std::optional<FileChoice> QtDocumentUi::ChooseOpenFile(const FileDialogSpec& spec) {
  return RunFileDialog(spec, false);
}

std::optional<FileChoice> QtDocumentUi::ChooseSaveFile(const FileDialogSpec& spec) {
  return RunFileDialog(spec, true);
}

void QtDocumentUi::ShowError(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, kCaption, Q(text), QMessageBox::Ok, parent_);
  box.setObjectName("ErrorBox");
  box.exec();
}

bool QtDocumentUi::AskReplaceFile(const std::string& path) {
  QString text = QString::fromUtf8("%1 は既に存在します。\n置き換えますか？").arg(Q(path));
  return QMessageBox::question(parent_, kCaption, text) == QMessageBox::Yes;
}

std::optional<std::string> QtDocumentUi::ClipboardText() {
  QClipboard* clipboard = QApplication::clipboard();
  if (!clipboard) return std::nullopt;
  QString text = clipboard->text();
  if (text.isNull()) return std::nullopt;
  return text.toStdString();
}

std::optional<ClipImportChoice> QtDocumentUi::ChooseClipImport(int32_t trackCount) {
  if (!clipImportDialog) return std::nullopt;
  return clipImportDialog(trackCount);
}

bool QtDocumentUi::ChooseSmfImport(SmfImportJob& job, const std::vector<SmfSourceLine>& lines) {
  return smfImportDialog && smfImportDialog(job, lines);
}

}  // namespace kore
