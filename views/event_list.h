#pragma once
// CCodeListCtrl: the compiled records of the current track as fixed-width rows under a header,
// with one selected (and, during playback, played) row. The rows come from EventListModel; only
// the visible ones are formatted. Assistive tools see it as a table of six columns.
//
// User-interface thread only.
#include "song/song_document.h"
#include "views/accessible_rows.h"
#include "views/event_list_model.h"
#include "views/fixed_text.h"

#include <QWidget>
#include <memory>

class QScrollBar;

namespace kore {

class DocumentBridge;

class CCodeListCtrl : public QWidget, public views::AccessibleRowsHost {
  Q_OBJECT

 public:
  static constexpr int kNotifyClick = -2;
  static constexpr int kNotifyDoubleClick = -3;
  static constexpr int kRowHeight = 13;
  static constexpr int kInset = 2;
  static constexpr int kHeaderHeight = 25;

  explicit CCodeListCtrl(QWidget* parent = nullptr);
  ~CCodeListCtrl() override;

  // Follows the document's current track.
  // The document must outlive the view or be detached first with SetDocument(nullptr).
  void SetDocument(CMMLDocument* document);
  // Shows `list` (not owned; null for none) with the song's time base.
  void SetList(const MidiEventList* list, const TimeBase& timeBase);
  // Selects (and highlights) a row; with `scroll`, brings it into view when it is outside.
  void SelectRow(int row, bool scroll);
  // The row of the first record whose text starts at or after offset - 1 (the last row when
  // none does; -1 for an empty list).
  int RowForCaret(int offset) const;
  void SetFirstVisibleRow(int row);

  int SelectedRow() const override { return selected_; }
  int FirstVisibleRow() const { return firstRow_; }
  int VisibleRows() const;
  int RowCount() const { return model_.rowCount(); }
  const views::EventListModel& Model() const { return model_; }
  // Widget y of the top of a visible row.
  int RowTop(int row) const;
  int CharWidth() const { return charWidth_; }

  // AccessibleRowsHost
  QAbstractItemModel* AccessibleModel() const override {
    return const_cast<views::EventListModel*>(&model_);
  }
  void SelectRowFromAccessibility(int row) override { SelectRow(row, true); }
  QRect CellRect(int row, int column) const override;

 Q_SIGNALS:
  // -2 click or key, -3 double click; `row` is the selected row.
  void notified(int code, int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QRect ListArea() const;
  int RowAtY(int y) const;
  void UpdateRange();
  void FollowCurrentTrack();
  void PaintRow(QPainter& p, int row, const QRect& area) const;
  int ColumnX(int character) const;

  CMMLDocument* document_ = nullptr;
  DocumentBridge* bridge_ = nullptr;
  views::EventListModel model_;
  QScrollBar* scroll_;
  QFont font_;
  std::unique_ptr<views::FixedText> text_;
  int charWidth_ = 6;
  int firstRow_ = 0;
  int selected_ = -1;
  bool syncing_ = false;
};

}  // namespace kore
