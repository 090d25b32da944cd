#pragma once
// The track tabs and the MML editing frame kept in step with the song document: tabs in track
// order named by the tracks, one editor per slot holding its text, the current track shown, and
// text typed in a pane going back into the document as an undoable edit.
//
// User-interface thread. Track texts are Shift-JIS; pane text is copied with CR LF line ends,
// so a pane's 0-based through position is a byte offset into the track text.
// Core headers come before Qt's: a core field named `slots` must not meet Qt's keyword macro.
#include "song/song_document.h"

#include <QObject>
#include <QPointer>
#include <cstdint>

class QLineEdit;
class QTabBar;

namespace kore {

class CPennaFrame;
class CPennaWnd;
class DocumentBridge;

class TrackPanes : public QObject {
  Q_OBJECT

 public:
  TrackPanes(CMMLDocument& document, DocumentBridge& bridge, QTabBar* tabs, CPennaFrame* frame,
             QObject* parent = nullptr);

  // A pane's text-change message (code of the change notification).
  void PaneChanged(CPennaWnd* pane, int32_t code);
  // While playing, panes are read-only and their changes are not taken.
  void SetPlaying(bool playing);
  CPennaWnd* CurrentPane() const;
  CPennaWnd* PaneOf(int32_t slot) const;
  // Rebuilds the tabs from the document's order and names.
  void RebuildTabs();
  void ReloadPane(int32_t slot);
  // Renames the current track in place: an editor over its tab; Enter or leaving the editor
  // keeps the name, Escape drops it, an empty name is not taken.
  void BeginRename();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 Q_SIGNALS:
  // After the document took a pane's text.
  void Edited();

 private:
  void SongReplaced();
  void TrackShown(int32_t slot, int32_t tabPosition);
  void TrackHidden(int32_t slot);
  void CurrentTrackChanged();
  void UndoTextEdit(int32_t slot);
  void RedoTextEdit(int32_t slot);
  void RenameTabs();
  void ShowCurrent();
  int32_t TabOf(int32_t slot) const;
  void EndRename(bool keep);

  CMMLDocument& document_;
  QTabBar* tabs_;
  CPennaFrame* frame_;
  bool playing_ = false;
  bool rebuilding_ = false;
  QPointer<QLineEdit> renameEdit_;
  int32_t renameSlot_ = -1;
};

}  // namespace kore
