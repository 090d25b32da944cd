#pragma once
// The questions of the file commands asked with Qt's own message boxes and file dialogs,
// captioned "KOR EDITOR". The dialogs that belong to other windows (clipboard import, SMF
// import) are reached through hooks and are unavailable until set.
//
// User-interface thread. Texts are UTF-8.
#include "app/document_commands.h"

#include <functional>

class QWidget;

namespace kore {

class QtDocumentUi : public DocumentUi {
 public:
  explicit QtDocumentUi(QWidget* parent) : parent_(parent) {}

  SaveAnswer AskSaveChanges(const std::string& text) override;
  std::optional<FileChoice> ChooseOpenFile(const FileDialogSpec& spec) override;
  std::optional<FileChoice> ChooseSaveFile(const FileDialogSpec& spec) override;
  void ShowError(const std::string& text) override;
  bool AskReplaceFile(const std::string& path) override;
  std::optional<std::string> ClipboardText() override;
  std::optional<ClipImportChoice> ChooseClipImport(int32_t trackCount) override;
  bool ChooseSmfImport(SmfImportJob& job, const std::vector<SmfSourceLine>& lines) override;

  std::function<std::optional<ClipImportChoice>(int32_t)> clipImportDialog;
  std::function<bool(SmfImportJob&, const std::vector<SmfSourceLine>&)> smfImportDialog;

 private:
  std::optional<FileChoice> RunFileDialog(const FileDialogSpec& spec, bool save);
  QWidget* parent_;
};

}  // namespace kore
