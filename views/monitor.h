#pragma once
// CMidiMoniterCtrl: the performance monitor, a small top-level tool window with one row per
// track in display order: "TRACK", volume and pan, the programme, a decaying level meter and a
// keyboard of the sounding notes. Closing it only hides it. Assistive tools see its rows as a
// list, one entry per track.
//
// User-interface thread only. Track names are Shift-JIS in the document.
#include "song/song_document.h"
#include "views/accessible_rows.h"
#include "views/player_state.h"

#include <QAbstractListModel>
#include <QWidget>
#include <vector>

namespace kore {

class CMidiMoniterCtrl;
class DocumentBridge;

namespace views {
class MonitorCanvas;
// One entry per shown track: "name, programme, level".
class MonitorRowsModel : public QAbstractListModel {
 public:
  explicit MonitorRowsModel(const CMidiMoniterCtrl& monitor) : monitor_(monitor) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void Reset() { beginResetModel(); endResetModel(); }

 private:
  const CMidiMoniterCtrl& monitor_;
};
}  // namespace views

class CMidiMoniterCtrl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 317;
  static constexpr int kClientHeight = 416;
  static constexpr int kRowHeight = 27;
  static constexpr int kMeterX = 108;
  static constexpr int kMeterSegments = 60;
  static constexpr int kKeysX = 89;

  explicit CMidiMoniterCtrl(QWidget* parent = nullptr);

  // Follows the document's track list (tracks added, deleted, a new song). The document must
  // outlive the monitor or be detached first with SetDocument(nullptr).
  void SetDocument(CMMLDocument* document);
  // Where levels, keys and the clock come from; null shows every row silent.
  void SetPlayerState(const views::PlayerStateSource* state) { state_ = state; }
  // The rows follow the document's track order; call after it changed.
  void RefreshRows();
  // Draws the levels and keys again (each frame while visible, and after a stop).
  void RedrawLevels();
  // Moves the window's frame to (left, top), or onto the primary screen when that point lies
  // on no screen.
  void MoveTo(int left, int top);

  // The slots shown, top to bottom.
  const std::vector<int32_t>& Slots() const { return slots_; }
  // Lit meter segments of a shown slot at the source's clock.
  int32_t Segments(int32_t slot) const;
  // "name, programme, level" of the row.
  QString RowText(int row) const;
  // Widget rectangle of a row's meter (one-pixel bars every second pixel).
  QRect MeterRect(int row) const;

  // The child that draws the rows and that assistive tools see as the list of tracks.
  QWidget* RowsWidget() const;

 Q_SIGNALS:
  void visibilityChanged(bool visible);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  friend class views::MonitorCanvas;
  void PaintRow(QPainter& p, int row) const;

  const CMMLDocument* document_ = nullptr;
  DocumentBridge* bridge_ = nullptr;
  const views::PlayerStateSource* state_ = nullptr;
  std::vector<int32_t> slots_;
  views::MonitorRowsModel rows_{*this};
  views::MonitorCanvas* canvas_;  // owned as a child
};

}  // namespace kore
