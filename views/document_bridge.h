#pragma once
// Turns the document's observer calls into Qt signals, so windows and views connect to signals
// instead of implementing DocumentObserver themselves.
//
// Thread: the user-interface thread only (the document notifies on the thread that changes it,
// which is always this one). Texts carried by the document are Shift-JIS; none pass through here.
// Core headers come before Qt's: a core field named `slots` must not meet Qt's keyword macro.
#include "song/song_document.h"

#include <QObject>
#include <cstdint>

namespace kore {

class DocumentBridge : public QObject, public DocumentObserver {
  Q_OBJECT

 public:
  // Observes `document` (may be null) until destroyed or pointed elsewhere. The document must
  // outlive the bridge or be detached first (SetDocument(nullptr)): it cannot say it is gone.
  explicit DocumentBridge(CMMLDocument* document = nullptr, QObject* parent = nullptr);
  ~DocumentBridge() override;
  DocumentBridge(const DocumentBridge&) = delete;
  DocumentBridge& operator=(const DocumentBridge&) = delete;

  void SetDocument(CMMLDocument* document);
  CMMLDocument* Document() const { return document_; }

  // DocumentObserver: each call re-emits the signal of the same name.
  void StopPlayback() override { Q_EMIT stopPlayback(); }
  void RefreshViews() override { Q_EMIT refreshViews(); }
  void TrackCompiled(int32_t slot) override { Q_EMIT trackCompiled(slot); }
  void CaptionChanged() override { Q_EMIT captionChanged(); }
  void TrackShown(int32_t slot, int32_t tabPosition) override {
    Q_EMIT trackShown(slot, tabPosition);
  }
  void TrackHidden(int32_t slot) override { Q_EMIT trackHidden(slot); }
  void TrackTextReset(int32_t slot) override { Q_EMIT trackTextReset(slot); }
  void CurrentTrackChanged(int32_t slot) override { Q_EMIT currentTrackChanged(slot); }
  void UndoTextEdit(int32_t slot) override { Q_EMIT undoTextEdit(slot); }
  void RedoTextEdit(int32_t slot) override { Q_EMIT redoTextEdit(slot); }
  void SongReplaced() override { Q_EMIT songReplaced(); }

 Q_SIGNALS:
  void stopPlayback();
  void refreshViews();
  void trackCompiled(int slot);
  void captionChanged();
  void trackShown(int slot, int tabPosition);
  void trackHidden(int slot);
  void trackTextReset(int slot);
  void currentTrackChanged(int slot);
  void undoTextEdit(int slot);
  void redoTextEdit(int slot);
  void songReplaced();

 private:
  CMMLDocument* document_ = nullptr;
};

}  // namespace kore
