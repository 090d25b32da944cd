#pragma once
// CPianoRollCtrl: the song as coloured bars on a time-by-pitch grid, with the measure ruler and
// marker flags on top and a key strip on the left. Follows a document through its own
// DocumentBridge; the numbers live in RollGeometry and RollScene, this class draws and handles
// the mouse.
//
// User-interface thread only. Texts from the document are Shift-JIS, converted when drawn.
#include "song/song_document.h"
#include "views/roll_scene.h"

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QMenu;
class QScrollBar;

namespace kore {

class DocumentBridge;

class CPianoRollCtrl : public QWidget {
  Q_OBJECT

 public:
  // Notification codes of the roll's `notified` signal.
  static constexpr int kNotifyStartPosition = -2;
  static constexpr int kNotifyActivate = -510;
  static constexpr int kNotifyRightClick = -511;
  // Marker menu (159) commands of the `command` signal.
  static constexpr int kMenuCreateMarker = 32906;
  static constexpr int kMenuDeleteMarker = 32909;
  static constexpr int kMenuEditMarker = 32910;
  static constexpr int kMenuCancel = 32913;

  explicit CPianoRollCtrl(QWidget* parent = nullptr);
  ~CPianoRollCtrl() override;

  // The document must outlive the view or be detached first with SetDocument(nullptr).
  void SetDocument(CMMLDocument* document);
  // Scroll state is kept per slot; switching restores the slot's, or fits its pitch range.
  void SetCurrentTrack(int32_t slot);
  void ScrollToTick(int32_t tick);
  void CenterOnTick(int32_t tick);
  // Scrolls only when the tick is out of view, and moves the play cursor there.
  void FollowTick(int32_t tick);
  void SetPlayCursor(int32_t tick);  // -1 hides it
  void SetStartMark(int32_t tick);
  void SetZoom(int32_t hMag, int32_t vMag);
  void SetTarget(views::RollTarget target);
  void SetPlaying(bool playing) { playing_ = playing; }
  // Rebuilds from the document (after a recompile).
  void Rebuild();

  const views::RollGeometry& Geometry() const { return geometry_; }
  const views::RollScene& Scene() const { return scene_; }
  int32_t StartMark() const { return startMark_; }
  int32_t PlayCursor() const { return playCursor_; }
  views::RollTarget Target() const { return scene_.Target(); }
  // The text the tooltip shows now (UTF-8), empty when none.
  QString ToolTipText() const { return toolTipText_; }
  QColor ToolTipColour() const { return toolTipColour_; }
  // The drawing area (ruler and key strip included), in widget coordinates.
  QRect CanvasRect() const;
  // Track colours: fill and border of a track index, lightened or not.
  static QColor FillColour(int32_t track, bool light = false);
  static QColor BorderColour(int32_t track, bool light = false);

  // Runs the marker menu and returns the chosen action, or null; tests replace it.
  std::function<QAction*(QMenu&, const QPoint&)> menuRunner;

 Q_SIGNALS:
  // -2: (type, tick, 0); -510 and -511: (type, value1, value2) of the point classification.
  void notified(int code, int type, int value1, int value2);
  // Marker menu choice: the command and the clicked tick (create) or the marker number.
  void command(int id, int value);
  void zoomChanged(int hMag, int vMag);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  struct SlotScroll {
    int32_t column = 0;
    int32_t row = 0;
  };

  void LayoutScrollBars();
  void SyncScrollBars();
  void RebuildScene();
  void LayoutMarkerFlags();
  void FitCurrentPitchRange();
  void UpdateToolTip(const QPoint& pos);
  void ShowMarkerMenu(const views::RollPoint& point, const QPoint& globalPos);
  void Forget(int32_t slot);

  void PaintGrid(QPainter& p, const QRect& canvas) const;
  void PaintRuler(QPainter& p, const QRect& canvas) const;
  void PaintNotes(QPainter& p) const;
  void PaintMarkersAndCursors(QPainter& p, const QRect& canvas) const;
  void PaintKeyStrip(QPainter& p, const QRect& canvas) const;

  CMMLDocument* document_ = nullptr;
  DocumentBridge* bridge_ = nullptr;
  views::RollGeometry geometry_;
  views::RollScene scene_;
  std::array<std::optional<SlotScroll>, kTrackSlotCount> slotScroll_{};
  int32_t currentTrack_ = 0;
  int32_t playCursor_ = -1;
  int32_t startMark_ = 0;
  int32_t hoverNote_ = -1;
  bool playing_ = false;
  bool leftDown_ = false;
  bool syncing_ = false;
  int32_t toolTipTick_ = -1;
  int32_t toolTipTrack_ = -1;
  QString toolTipText_;
  QColor toolTipColour_;
  QScrollBar* hScroll_;
  QScrollBar* vScroll_;
  QScrollBar* hZoom_;
  QScrollBar* vZoom_;
};

}  // namespace kore
