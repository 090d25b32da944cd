#pragma once
// CMMLClipImportDlg, "クリップボードのMMLを入力": how many tracks the clipboard's MML@ text
// holds, new song or append, and the instrument every imported track takes.
// User-interface thread only.
#include <QDialog>
#include <cstdint>

class QComboBox;
class QRadioButton;

namespace kore::dialogs {

struct ClipImportOptions {
  int32_t trackCount = 0;  // in
  bool append = false;     // out: "追加読み込み(&A)"
  int32_t instrument = 0;  // out: instrument index
};

class CMMLClipImportDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLClipImportDlg(const ClipImportOptions& options, QWidget* parent = nullptr);
  ClipImportOptions options() const;

 private:
  ClipImportOptions options_;
  QRadioButton* append_ = nullptr;
  QComboBox* instrument_ = nullptr;
};

}  // namespace kore::dialogs
