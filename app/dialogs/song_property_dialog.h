#pragma once
// CMMLPropatyDlg, "<file> のプロパティ": title, source, memo, resolution and time signature,
// with each track's character count and the composition rank a chosen set of up to three
// tracks needs. OK refuses a resolution outside 1..960 and keeps the dialog open.
// User-interface thread only; std::string texts are Shift-JIS.
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mml/midi_event.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace kore::dialogs {

// A resolution typed into the field: the whole text a decimal number 1..960 (blanks around it
// allowed), else nothing. "4294967328" is refused, not wrapped.
std::optional<int32_t> ParseResolution(const QString& text);
// The rank line for the selected tracks' character counts (any order).
QString RankLineText(const std::vector<int32_t>& selectedCounts);

struct SongPropertyOptions {
  std::string fileTitle;  // "demo.mml", or "(無題)" for an untitled song
  std::string title, source, memo;
  TimeBase timeBase;
  struct Track {
    int32_t characters = 0;
    std::string name;
  };
  std::vector<Track> tracks;  // tab order
};

class CMMLPropatyDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMMLPropatyDlg(const SongPropertyOptions& options, QWidget* parent = nullptr);
  SongPropertyOptions options() const;

  void accept() override;

 private:
  void UpdateRank();

  SongPropertyOptions options_;
  QLineEdit* title_ = nullptr;
  QLineEdit* source_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QComboBox* resolution_ = nullptr;
  QComboBox* numerator_ = nullptr;
  QComboBox* denominator_ = nullptr;
  QListWidget* counts_ = nullptr;
  QLabel* rank_ = nullptr;
};

}  // namespace kore::dialogs
