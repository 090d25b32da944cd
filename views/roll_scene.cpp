#include "views/roll_scene.h"

#include <algorithm>
#include <cstdio>

#include "base/shift_jis.h"

namespace kore::views {

const char* RollTargetName(RollTarget target) {
  switch (target) {
    case RollTarget::EmphasiseCurrent:
      return "編集トラック強調";
    case RollTarget::CurrentOnly:
      return "編集トラックのみ";
    case RollTarget::AllTracks:
      break;
  }
  return "全トラック";
}

RollTarget RollTargetFromSetting(int32_t value) {
  return value == 1 || value == 2 ? static_cast<RollTarget>(value) : RollTarget::AllTracks;
}

void RollScene::SetSong(const SongEventList* song, const MidiEventList* markers,
                        std::optional<int32_t> longestNote) {
  song_ = song;
  markerList_ = markers;
  longestNote_ = longestNote.value_or(0);
  if (!song_ || longestNote) return;
  for (const MidiEvent& e : *song_)
    if (e.kind == MidiEventKind::Note) longestNote_ = std::max(longestNote_, e.length);
}

void RollScene::SetTarget(RollTarget target, int32_t currentTrack) {
  target_ = target;
  currentTrack_ = currentTrack;
}

void RollScene::Rebuild(const RollGeometry& g) {
  notes_.clear();
  markers_.clear();
  const int32_t start = g.FirstVisibleTick();
  const int32_t end = g.EndVisibleTick();
  if (song_ && !song_->empty()) {
    // First record that may still sound at `start`: no Note is longer than the longest one.
    const int64_t from = int64_t{start} - longestNote_;
    size_t lo = 0, hi = song_->size();
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      if ((*song_)[mid].tick < from) lo = mid + 1; else hi = mid;
    }
    for (size_t i = lo; i < song_->size(); ++i) {
      const MidiEvent& e = (*song_)[i];
      if (e.tick >= end) break;
      if (e.kind != MidiEventKind::Note || int64_t{e.tick} + e.length <= start) continue;
      if (e.note < RollGeometry::kBottomNote || e.note > RollGeometry::kTopNote) continue;
      if (target_ == RollTarget::CurrentOnly && e.track != currentTrack_) continue;
      RollNote n{e.tick, e.length, e.note, e.track, e.seq, e.octave, e.value,
                 std::string(std::string_view(e.text)), {}};
      const int32_t y = g.YOfNote(e.note);
      n.rect = {g.XOfTick(e.tick), y, std::max(g.XOfTick(e.tick + e.length), g.XOfTick(e.tick) + 1),
                y + g.RowHeight()};
      notes_.push_back(std::move(n));
    }
  }
  if (markerList_) {
    for (size_t k = 0; k < markerList_->size(); ++k) {
      const MidiEvent& m = (*markerList_)[k];
      if (m.tick < start || m.tick >= end) continue;
      markers_.push_back({static_cast<int32_t>(k + 1), m.tick, m.value,
                          std::string(std::string_view(m.text)), {}});
    }
  }
}

int32_t RollScene::HitNote(int32_t x, int32_t y, int32_t tickAtX) const {
  int32_t found = -1;
  for (size_t i = 0; i < notes_.size(); ++i) {
    const RollNote& n = notes_[i];
    if (n.tick > tickAtX) break;
    if (!n.rect.Contains(x, y)) continue;
    if (n.track == currentTrack_) return static_cast<int32_t>(i);
    found = static_cast<int32_t>(i);
  }
  return found;
}

RollPoint RollScene::Classify(int32_t x, int32_t y, const RollGeometry& g) const {
  RollPoint p;
  const bool inRuler = y < RollGeometry::kRulerHeight;
  if (x < RollGeometry::kKeyStripWidth) {
    p.type = inRuler ? RollPointType::Corner : RollPointType::KeyStrip;
    return p;
  }
  const int32_t tick = g.TickAtX(x);
  if (inRuler) {
    for (size_t k = 0; k < markers_.size(); ++k) {
      if (markers_[k].flag.Contains(x, y))
        return {RollPointType::Marker, markers_[k].number, 0, static_cast<int32_t>(k)};
    }
    return {RollPointType::Ruler, tick, 0, -1};
  }
  const int32_t hit = HitNote(x, y, tick);
  if (hit < 0) return {RollPointType::Empty, tick, 0, -1};
  return {RollPointType::Note, notes_[hit].seq, notes_[hit].track, hit};
}

std::string NoteTooltip(const RollNote& note) {
  char head[64];
  std::snprintf(head, sizeof head, "O%d V%d Gate%d\n", note.octave, note.value, note.length);
  std::string text = note.text;
  if (text.size() > 64) {
    // Never leave half of a two-byte character before the ellipsis.
    size_t cut = 0;
    while (cut < 61) {
      const size_t step = IsSjisLeadByte(text[cut]) ? 2 : 1;
      if (cut + step > 61) break;
      cut += step;
    }
    text = text.substr(0, cut) + "...";
  }
  return head + text;
}

std::string MarkerTooltip(const RollMarker& marker, const TimeBase& timeBase) {
  const int32_t perMeasure = std::max(1, timeBase.TicksPerMeasure());
  char tail[48];
  std::snprintf(tail, sizeof tail, "\nMeas %04d:%04d", marker.tick / perMeasure,
                marker.tick % perMeasure);
  return marker.name + tail;
}

}  // namespace kore::views
