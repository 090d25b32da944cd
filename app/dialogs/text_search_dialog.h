#pragma once
// CMMLTextSearch, "検索" / "検索・置換": the modeless find-and-replace window over the current
// track's pane. Unlike the modal dialogs it acts at once, so it holds the DialogHost: it reads
// the pane's text (line ends as CR LF, the offsets of the pane's through positions), searches
// with editor/text_search.h, moves the pane's selection and replaces through the pane (one undo
// step per replace and per replace all). It marks the search text in every pane while open and
// keeps the search history in "KORE.ini", touching only its own section.
// User-interface thread only.
#include <QDialog>
#include <array>
#include <string>

#include "base/app_settings.h"
#include "song/song_document.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kore {
class PennaEditor;
}

namespace kore::dialogs {

class DialogHost;

class CMMLTextSearch : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Find = 0, Replace = 1 };

  explicit CMMLTextSearch(DialogHost& host, QWidget* parent = nullptr);
  ~CMMLTextSearch() override;

  // The two application commands: set the mode and show the window.
  void OpenFind();
  void OpenReplace();
  Mode mode() const { return mode_; }

  // The buttons; each does nothing while the song plays.
  void SearchDown();
  void SearchUp();
  void Replace();
  void ReplaceAll();

  // Hides the window, returns to find mode, clears every pane's highlight, saves the history.
  void reject() override;

 private:
  void Build();
  void SetMode(Mode mode);
  // Reads and remembers both strings; false (after the message) when the search string is empty.
  bool ReadStrings(std::string& key, std::string& replacement);
  void Remember(QComboBox* combo, std::vector<std::string>& list, const std::string& text);
  void HighlightAll(const std::string& key, bool caseSensitive);
  void Search(bool up, bool replace);
  PennaEditor* CurrentPane();
  void SaveHistory();

  DialogHost& host_;
  Mode mode_ = Mode::Find;
  // What each slot's pane was last told to highlight, so a repeated search redraws nothing.
  std::array<PennaEditor*, kTrackSlotCount> litPanes_{};
  std::string litKey_;
  bool litCase_ = true;
  SearchHistory history_;
  QComboBox* search_ = nullptr;
  QLabel* replaceLabel_ = nullptr;
  QComboBox* replace_ = nullptr;
  QCheckBox* caseSensitive_ = nullptr;
  QPushButton* replaceAll_ = nullptr;
  QGroupBox* range_ = nullptr;
  QRadioButton* selection_ = nullptr;
  QRadioButton* whole_ = nullptr;
};

}  // namespace kore::dialogs
