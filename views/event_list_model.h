#pragma once
// The table behind the event list: one row per record of a track's list, six columns holding
// the text drawn under them. Rows are formatted only when asked for.
//
// User-interface thread only. Texts are ASCII.
#include "mml/midi_event.h"
#include "views/event_list_format.h"

#include <QAbstractTableModel>

namespace kore::views {

class EventListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // `list` is not owned and must outlive the model or be replaced first; null shows nothing.
  void SetList(const MidiEventList* list, const TimeBase& timeBase);
  const MidiEventList* List() const { return list_; }
  const TimeBase& GetTimeBase() const { return timeBase_; }
  EventRowText Row(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Display: the trimmed cell. Vertical header display: the whole row.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const MidiEventList* list_ = nullptr;
  TimeBase timeBase_;
};

}  // namespace kore::views
