#pragma once
// CMMLSmfImportDlg, "インポート設定 - <file>": which source lists of a MIDI file become tracks,
// the conversion options with their presets, and the quantise unit shown in the file's ticks.
// OK refuses a selection the conversion cannot take (warning box, dialog stays open).
// User-interface thread only; std::string texts are Shift-JIS.
#include <QDialog>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "smf/smf_import_job.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;

namespace kore::dialogs {

struct SmfImportDialogOptions {
  std::string fileName;  // shown in the caption (Shift-JIS)
  std::vector<SmfSourceLine> sources;
  int32_t ticksPerQuarter = 480;
  SmfImportOptions options;
  // Out: source list indexes, ascending (every source at opening).
  std::vector<int32_t> selectedSources;
};

class CMMLSmfImportDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLSmfImportDlg(const SmfImportDialogOptions& options, QWidget* parent = nullptr);
  SmfImportDialogOptions options() const;

  void accept() override;

 private:
  void ApplyPreset(int preset);
  void Refresh();

  SmfImportDialogOptions options_;
  QListWidget* sources_ = nullptr;
  QComboBox* preset_ = nullptr;
  QCheckBox* programChange_ = nullptr;
  QCheckBox* controlChange_ = nullptr;
  QCheckBox* pitchBend_ = nullptr;
  QCheckBox* velocity_ = nullptr;
  QCheckBox* midiText_ = nullptr;
  QCheckBox* sysEx_ = nullptr;
  QCheckBox* channel_ = nullptr;
  QCheckBox* reduceRest_ = nullptr;
  QCheckBox* spreadTrack_ = nullptr;
  QCheckBox* spreadControl_ = nullptr;
  QButtonGroup* quantize_ = nullptr;
  QLabel* resolution_ = nullptr;
};

}  // namespace kore::dialogs
