// Markers and the structural undo history of the song document.
#include <algorithm>

#include "base/shift_jis.h"
#include "song/song_document.h"

namespace kore {
namespace {

MidiEvent MakeMarker(int32_t tick, std::string_view name, int32_t colour) {
  MidiEvent marker;
  ResetEvent(marker);
  marker.kind = MidiEventKind::Marker;
  marker.tick = tick;
  marker.value = colour;
  marker.text.assign(name);
  return marker;
}

}  // namespace

std::string NewMarkerName() { return Sjis("新規マーカー"); }

// --- markers_ ------------------------------------------------------------------------------------

bool CMMLDocument::GetMarker(int32_t k, MidiEvent& marker) const {
  if (k == 0) {
    marker = SongStartMarker();
    return true;
  }
  if (k < 1 || k > MarkerCount()) return false;
  marker = markers_[k - 1];
  return true;
}

void CMMLDocument::InsertMarkerAt(int32_t k, const MidiEvent& marker) {
  k = std::clamp(k, 1, MarkerCount() + 1);
  markers_.insert(markers_.begin() + (k - 1), marker);
  // Every slot, in use or not, keeps naming the marker it named before.
  for (CMMLTrack& track : tracks_) {
    if (track.startMarker >= k) ++track.startMarker;
  }
}

int32_t CMMLDocument::InsertMarker(const MidiEvent& marker) {
  // Before the first marker at the same or a later tick.
  int32_t index = 0;
  while (index < MarkerCount() && marker.tick > markers_[index].tick) ++index;
  InsertMarkerAt(index + 1, marker);
  return index + 1;
}

void CMMLDocument::EraseMarker(int32_t k, std::vector<int32_t>* startingSlots) {
  markers_.erase(markers_.begin() + (k - 1));
  if (startingSlots) startingSlots->clear();
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    int32_t& start = tracks_[slot].startMarker;
    if (start == k) {
      start = 0;
      if (startingSlots) startingSlots->push_back(slot);
    } else if (start > k) {
      --start;
    }
  }
}

void CMMLDocument::PointSlotsAt(const std::vector<int32_t>& slots, int32_t k) {
  for (int32_t slot : slots) tracks_[slot].startMarker = k;
}

int32_t CMMLDocument::AddMarker(int32_t tick, std::string_view name, int32_t colour) {
  if (tick < 0) return -1;
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  auto oldStarts = StartTicks();
  MidiEvent marker = MakeMarker(tick, name, colour);
  int32_t k = InsertMarker(marker);
  RecompileWhereStartChanged(oldStarts);
  UndoRecord record;
  record.kind = UndoKind::MarkerAdded;
  record.position = k;
  record.marker = std::move(marker);
  Push(std::move(record));
  return k;
}

int32_t CMMLDocument::DeleteMarker(int32_t k) {
  if (k < 1 || k > MarkerCount()) return -1;
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  auto oldStarts = StartTicks();
  UndoRecord record;
  record.kind = UndoKind::MarkerDeleted;
  record.position = k;
  record.marker = markers_[k - 1];
  EraseMarker(k, &record.startingSlots);
  RecompileWhereStartChanged(oldStarts);
  Push(std::move(record));
  return 0;
}

int32_t CMMLDocument::UpdateMarker(int32_t k, int32_t tick, std::string_view name,
                                   int32_t colour) {
  if (k < 1 || k > MarkerCount() || tick < 0) return -1;
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  auto oldStarts = StartTicks();
  UndoRecord record;
  record.kind = UndoKind::MarkerChanged;
  record.position = k;
  record.marker = markers_[k - 1];
  record.newMarker = MakeMarker(tick, name, colour);
  EraseMarker(k, &record.startingSlots);
  record.newPosition = InsertMarker(record.newMarker);
  // Renaming or moving a marker must not silently move the tracks_ that start at it.
  PointSlotsAt(record.startingSlots, record.newPosition);
  RecompileWhereStartChanged(oldStarts);
  int32_t position = record.newPosition;
  Push(std::move(record));
  return position;
}

// --- undo history -------------------------------------------------------------------------------

void CMMLDocument::Push(UndoRecord record) {
  // A saved state that only a redo could reach is gone once the redo stack is dropped.
  if (EditNumber() < savedEditNumber_) savedEditNumber_ = -1;
  record.sequence = EditNumber() + 1;
  undoStack_.push_back(std::move(record));
  redoStack_.clear();
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
}

void CMMLDocument::RecordTextEdit(int32_t slot) {
  if (slot < 0 || slot >= kTrackSlotCount) return;
  UndoRecord record;
  record.kind = UndoKind::TextChanged;
  record.slot = slot;
  Push(std::move(record));
}

void CMMLDocument::ClearUndoHistory() {
  bool atSavedState = EditNumber() == savedEditNumber_;
  undoStack_.clear();
  redoStack_.clear();
  savedEditNumber_ = atSavedState ? 0 : -1;
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
}

bool CMMLDocument::Undo() {
  if (undoStack_.empty()) return false;
  UndoRecord record = std::move(undoStack_.back());
  undoStack_.pop_back();
  ApplyUndo(record);
  redoStack_.push_back(std::move(record));
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
  return true;
}

bool CMMLDocument::Redo() {
  if (redoStack_.empty()) return false;
  UndoRecord record = std::move(redoStack_.back());
  redoStack_.pop_back();
  ApplyRedo(record);
  undoStack_.push_back(std::move(record));
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
  return true;
}

void CMMLDocument::DiscardFreshTrack(int32_t freshSlot) {
  if (freshSlot < 0 || !tracks_[freshSlot].inUse) return;
  UnlistTrack(freshSlot);
  tracks_[freshSlot].inUse = 0;
  DropCompiled(freshSlot);
  ForEachObserver([freshSlot](DocumentObserver& o) { o.TrackHidden(freshSlot); });
}

void CMMLDocument::RestoreDeletedTrack(const UndoRecord& record) {
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  // The fresh track made when this one was the last goes first: it may occupy the same slot.
  DiscardFreshTrack(record.freshSlot);
  int32_t slot = record.slot;
  if (tracks_[slot].inUse) return;
  if (record.deletedProperties) {
    static_cast<TrackProperties&>(tracks_[slot]) = *record.deletedProperties;
  }
  if (record.deletedText) tracks_[slot].StoreText(*record.deletedText);
  RestoreTrack(slot, record.tabPosition);
}

void CMMLDocument::ApplyUndo(UndoRecord& record) {
  auto oldStarts = StartTicks();
  switch (record.kind) {
    case UndoKind::TrackAdded:
      if (tracks_[record.slot].inUse) RemoveTrack(record.slot, record);
      return;
    case UndoKind::TrackDeleted:
      RestoreDeletedTrack(record);
      return;
    case UndoKind::TextChanged:
      SetCurrentTrack(record.slot);
      ForEachObserver([&](DocumentObserver& o) { o.UndoTextEdit(record.slot); });
      return;
    case UndoKind::MarkerAdded:
      ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
      EraseMarker(record.position, &record.startingSlots);
      break;
    case UndoKind::MarkerDeleted:
      ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
      InsertMarkerAt(record.position, record.marker);
      PointSlotsAt(record.startingSlots, record.position);
      break;
    case UndoKind::MarkerChanged:
      ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
      EraseMarker(record.newPosition, &record.startingSlots);
      InsertMarkerAt(record.position, record.marker);
      PointSlotsAt(record.startingSlots, record.position);
      break;
  }
  RecompileWhereStartChanged(oldStarts);
}

void CMMLDocument::ApplyRedo(UndoRecord& record) {
  auto oldStarts = StartTicks();
  switch (record.kind) {
    case UndoKind::TrackAdded:
      // Undoing the add kept a copy of the slot, as a deletion does.
      RestoreDeletedTrack(record);
      return;
    case UndoKind::TrackDeleted:
      if (tracks_[record.slot].inUse) RemoveTrack(record.slot, record);
      return;
    case UndoKind::TextChanged:
      SetCurrentTrack(record.slot);
      ForEachObserver([&](DocumentObserver& o) { o.RedoTextEdit(record.slot); });
      return;
    case UndoKind::MarkerAdded:
      ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
      InsertMarkerAt(record.position, record.marker);
      PointSlotsAt(record.startingSlots, record.position);
      break;
    case UndoKind::MarkerDeleted:
      ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
      EraseMarker(record.position, &record.startingSlots);
      break;
    case UndoKind::MarkerChanged:
      ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
      EraseMarker(record.position, &record.startingSlots);
      InsertMarkerAt(record.newPosition, record.newMarker);
      PointSlotsAt(record.startingSlots, record.newPosition);
      break;
  }
  RecompileWhereStartChanged(oldStarts);
}

}  // namespace kore
