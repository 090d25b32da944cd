#pragma once
// CMMLClipExportDlg, "クリップボードへMMLを出力": up to three tracks (or the whole song) as
// game-format text. The list keeps at most three tracks selected, the earliest giving way; the
// status line says what the selection needs. The copy buttons only ask; the flow
// (clip_commands.h) puts the texts on the clipboard.
// User-interface thread only; std::string texts are Shift-JIS.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "mml/game_export.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace kore::dialogs {

struct ClipExportOptions {
  struct Track {
    int32_t slot = 0;
    int32_t characters = 0;
    std::string name;
  };
  std::vector<Track> tracks;  // tab order
  int32_t format = kGameFormatGame;
  bool optimize = false;
  // Out: the selected slots in list order.
  std::vector<int32_t> selectedSlots;
};

enum class ClipCopyKind { Title, TrackName, InstrumentName };

class CMMLClipExportDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLClipExportDlg(const ClipExportOptions& options, QWidget* parent = nullptr);
  ClipExportOptions options() const;

 Q_SIGNALS:
  // "曲名をコピー", "トラック名をコピー", "楽器名をコピー"; the dialog stays open.
  void copyRequested(kore::dialogs::ClipCopyKind kind);

 private:
  void SelectionChanged();
  void Sync();
  void UpdateStatus();

  ClipExportOptions options_;
  TrackSelection selection_;
  bool syncing_ = false;
  QListWidget* list_ = nullptr;
  QButtonGroup* formats_ = nullptr;
  QLabel* description_ = nullptr;
  QCheckBox* optimize_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* copy_ = nullptr;
};

}  // namespace kore::dialogs
