#include "mml/midi_event.h"

#include <algorithm>
#include <limits>

#include "base/shift_jis.h"

namespace kore {

const char* MidiEventKindName(MidiEventKind kind) {
  switch (kind) {
    case MidiEventKind::None: return "None";
    case MidiEventKind::Note: return "Note";
    case MidiEventKind::ProgramChange: return "ProgramChange";
    case MidiEventKind::Tempo: return "Tempo";
    case MidiEventKind::Rest: return "Rest";
    case MidiEventKind::Measure: return "Measure";
    case MidiEventKind::EndOfTrack: return "EndOfTrack";
    case MidiEventKind::Marker: return "Marker";
    case MidiEventKind::Tie: return "Tie";
    case MidiEventKind::ControlChange: return "ControlChange";
    case MidiEventKind::PitchBend: return "PitchBend";
    case MidiEventKind::SysEx: return "SysEx";
    case MidiEventKind::ExtensionStart: return "ExtensionStart";
    case MidiEventKind::StateLength: return "StateLength";
    case MidiEventKind::StateVolume: return "StateVolume";
    case MidiEventKind::StateOctave: return "StateOctave";
    case MidiEventKind::StateTempo: return "StateTempo";
  }
  return "Unknown";
}

int32_t TimeBase::TicksPerMeasure() const {
  if (beatUnit == 0) return 0;
  int64_t ticks = int64_t{ticksPerQuarter} * beatsPerMeasure * 4 / beatUnit;
  return static_cast<int32_t>(ticks);
}

int32_t TimeBase::TicksOfLength(int32_t lengthValue, bool dotted) const {
  if (lengthValue == 0) return 0;
  int32_t ticks = static_cast<int32_t>(int64_t{ticksPerQuarter} * 4 / lengthValue);
  return dotted ? static_cast<int32_t>(int64_t{3} * ticks / 2) : ticks;
}

int32_t TimeBase::MeasureOf(int32_t tick) const {
  int32_t perMeasure = TicksPerMeasure();
  return perMeasure == 0 ? 0 : tick / perMeasure;
}

int32_t TimeBase::TickInMeasure(int32_t tick) const {
  int32_t perMeasure = TicksPerMeasure();
  return perMeasure == 0 ? tick : tick % perMeasure;
}

void MidiEvent::SetPitch(int32_t midiNote) {
  static constexpr char kLetters[12] = {'C', 'C', 'D', 'D', 'E', 'F', 'F', 'G', 'G', 'A', 'A', 'B'};
  static constexpr bool kSharp[12] = {false, true, false, true, false, false,
                                      true,  false, true, false, true, false};
  note = midiNote;
  // Notes below 0 cannot come from the compiler ('o0c-' is 11); keep the classes in range anyway.
  int32_t pitchClass = ((midiNote % 12) + 12) % 12;
  letter = kLetters[pitchClass];
  sharp = kSharp[pitchClass] ? 1 : 0;
  octave = midiNote / 12 - 1;
}

void ResetEvent(MidiEvent& event) { event = MidiEvent{}; }

void SongEventList::clear() {
  for (Replaced& track : replaced_) track.list = nullptr;
  sources_.clear();
  sourceEntries_.clear();
  order_.clear();
}

MidiEventList SongEventList::ToVector() const {
  MidiEventList copy;
  copy.reserve(order_.size());
  for (const Entry& entry : order_) copy.push_back(At(entry));
  return copy;
}

uint16_t SongEventList::SourceOf(const MidiEventList& list, size_t entries) {
  size_t free = sources_.size();
  for (size_t i = 0; i < sources_.size(); ++i) {
    if (sources_[i] == &list && sourceEntries_[i] > 0) {
      sourceEntries_[i] += static_cast<uint32_t>(entries);
      return static_cast<uint16_t>(i);
    }
    if (sourceEntries_[i] == 0 && free == sources_.size()) free = i;
  }
  if (free == sources_.size()) {
    sources_.push_back(nullptr);
    sourceEntries_.push_back(0);
  }
  sources_[free] = &list;
  sourceEntries_[free] = static_cast<uint32_t>(entries);
  return static_cast<uint16_t>(free);
}

void SongEventList::Unreference(uint16_t source) {
  if (--sourceEntries_[source] == 0) sources_[source] = nullptr;
}

void SongEventList::Merge(MidiEventList& trackEvents, int32_t trackIndex, bool removeTrackFirst) {
  // Records that kept their tick and position keep their entries, and so does everything before
  // the last of them: an edit near the end of a long track leaves the head of the list alone.
  const auto [kept, keep] = removeTrackFirst ? KeptHead(trackEvents, trackIndex) : KeptEntries{};
  const size_t needed = order_.size() - keep + trackEvents.size() - kept;
  scratch_.clear();
  // With room to spare: an edit adds a record or two, and a list reserved to the exact size
  // would be given back and faulted in again at every keystroke.
  if (scratch_.capacity() < needed) scratch_.reserve(needed + needed / 8);
  // Taken before the removal below, so the list's entries never drop to zero in between. The
  // kept entries are counted already.
  const uint16_t source =
      trackEvents.size() == kept ? 0 : SourceOf(trackEvents, trackEvents.size() - kept);
  size_t cursor = keep;
  auto takeExisting = [&](const Entry& entry) {
    if (removeTrackFirst && entry.track == trackIndex) {
      Unreference(entry.source);
    } else {
      scratch_.push_back(entry);
    }
  };
  for (size_t i = 0; i < kept; ++i) StampRecord(trackEvents[i], i, trackIndex);
  for (size_t i = kept; i < trackEvents.size(); ++i) {
    MidiEvent& event = trackEvents[i];
    StampRecord(event, i, trackIndex);
    // Advance past every element the record does not go before.
    while (cursor < order_.size()) {
      const Entry& entry = order_[cursor];
      bool removed = removeTrackFirst && entry.track == trackIndex;
      if (!removed &&
          (entry.tick > event.tick || (entry.tick == event.tick && entry.track > trackIndex))) {
        break;
      }
      takeExisting(entry);
      ++cursor;
    }
    scratch_.push_back(Entry{event.tick, event.track, source, static_cast<uint32_t>(i)});
  }
  for (; cursor < order_.size(); ++cursor) takeExisting(order_[cursor]);
  if (keep == 0) {
    order_.swap(scratch_);
  } else {
    // Sized, then copied as one block: an insert through the list's allocator would copy
    // entry by entry.
    order_.resize(keep + scratch_.size());
    std::copy(scratch_.begin(), scratch_.end(), order_.begin() + static_cast<ptrdiff_t>(keep));
  }
  Remember(trackEvents, trackIndex, removeTrackFirst);
}

void SongEventList::Remember(const MidiEventList& trackEvents, int32_t trackIndex, bool replaced) {
  if (trackIndex < 0 || trackIndex >= static_cast<int32_t>(replaced_.size())) return;
  Replaced& track = replaced_[static_cast<size_t>(trackIndex)];
  // A plain merge adds to whatever the track had: its entries are no longer one list's.
  track.list = replaced ? &trackEvents : nullptr;
  track.ticks.resize(replaced ? trackEvents.size() : 0);
  for (size_t i = 0; i < track.ticks.size(); ++i) track.ticks[i] = trackEvents[i].tick;
}

SongEventList::KeptEntries SongEventList::KeptHead(const MidiEventList& trackEvents,
                                                   int32_t trackIndex) const {
  // Only a list merged before under the same track keeps entries; -1 leaves tracks as they are.
  KeptEntries head;
  if (trackIndex < 0 || trackEvents.empty()) return head;
  size_t source = 0;
  while (source < sources_.size() &&
         !(sources_[source] == &trackEvents && sourceEntries_[source] > 0))
    ++source;
  if (source == sources_.size()) return head;
  if (auto found = KeptHeadFromTicks(trackEvents, trackIndex, source)) return *found;
  for (size_t c = 0; c < order_.size() && head.records < trackEvents.size(); ++c) {
    const Entry& entry = order_[c];
    if (entry.track != trackIndex) continue;
    if (entry.source != source || entry.index != head.records ||
        entry.tick != trackEvents[head.records].tick)
      break;
    ++head.records;
    head.entries = c + 1;
  }
  return head;
}

std::optional<SongEventList::KeptEntries> SongEventList::KeptHeadFromTicks(
    const MidiEventList& trackEvents, int32_t trackIndex, size_t source) const {
  const Replaced& last = replaced_[static_cast<size_t>(trackIndex)];
  if (last.list != &trackEvents) return std::nullopt;
  const size_t common = std::min(last.ticks.size(), trackEvents.size());
  size_t records = 0;
  while (records < common && last.ticks[records] == trackEvents[records].tick) ++records;
  if (records == 0) return KeptEntries{};
  // The entry of the last kept record: first of its (tick, track) run, then its place in the
  // run, whose records are consecutive in the list. Checked, since a list merged under track -1
  // may leave the order unsorted by track.
  const uint32_t index = static_cast<uint32_t>(records - 1);
  const int32_t tick = last.ticks[index];
  const auto run = std::partition_point(order_.begin(), order_.end(), [&](const Entry& e) {
    return e.tick < tick || (e.tick == tick && e.track < trackIndex);
  });
  if (run == order_.end() || run->track != trackIndex || run->index > index) return std::nullopt;
  const size_t at = static_cast<size_t>(run - order_.begin()) + (index - run->index);
  if (at >= order_.size()) return std::nullopt;
  const Entry& entry = order_[at];
  if (entry.track != trackIndex || entry.index != index || entry.source != source ||
      entry.tick != tick)
    return std::nullopt;
  return KeptEntries{records, at + 1};
}

void MergeTrack(SongEventList& song, MidiEventList& trackEvents, int32_t trackIndex) {
  song.Merge(trackEvents, trackIndex, false);
}

void ReplaceTrack(SongEventList& song, MidiEventList& trackEvents, int32_t trackIndex) {
  song.Merge(trackEvents, trackIndex, true);
}

void StampTrack(MidiEventList& trackEvents, int32_t trackIndex) {
  for (size_t i = 0; i < trackEvents.size(); ++i) StampRecord(trackEvents[i], i, trackIndex);
}

void MergeTracks(SongEventList& song, std::span<const TrackEvents> tracks) {
  song.clear();
  song.scratch_ = {};
  size_t total = 0;
  for (const TrackEvents& track : tracks) total += track.events->size();
  song.order_.reserve(total);

  // A tournament over the next record of every list: each inner node keeps the loser of its
  // match, so taking a record replays one leaf-to-root path. The key orders by tick, then by
  // track; an exhausted list keys as the largest value.
  constexpr int64_t kExhausted = std::numeric_limits<int64_t>::max();
  auto keyOf = [](int32_t tick, int32_t track) {
    return static_cast<int64_t>(tick) * 256 + static_cast<uint8_t>(track);
  };
  struct Leaf {
    MidiEventList* list = nullptr;
    int32_t track = 0;
    uint16_t source = 0;
    uint32_t index = 0;
  };
  size_t leaves = 1;
  while (leaves < tracks.size()) leaves *= 2;
  std::vector<Leaf> leaf(leaves);
  std::vector<int64_t> key(leaves, kExhausted);
  for (size_t i = 0; i < tracks.size(); ++i) {
    const TrackEvents& track = tracks[i];
    if (track.events->empty()) continue;
    leaf[i] = Leaf{track.events, track.index, song.SourceOf(*track.events, track.events->size()), 0};
    key[i] = keyOf((*track.events)[0].tick, track.index);
  }
  // loser[n] for the inner nodes 1..leaves-1; loser[0] holds the overall winner.
  std::vector<uint32_t> loser(leaves, 0);
  {
    std::vector<uint32_t> winner(2 * leaves);
    for (size_t i = 0; i < leaves; ++i) winner[leaves + i] = static_cast<uint32_t>(i);
    for (size_t n = leaves - 1; n >= 1; --n) {
      uint32_t a = winner[2 * n], b = winner[2 * n + 1];
      bool aWins = key[a] <= key[b];
      winner[n] = aWins ? a : b;
      loser[n] = aWins ? b : a;
    }
    loser[0] = winner[1];
  }
  while (key[loser[0]] != kExhausted) {
    uint32_t w = loser[0];
    Leaf& from = leaf[w];
    MidiEvent& event = (*from.list)[from.index];
    // Lists stamped beforehand (StampTrack) stay untouched, so their pages are only read.
    if (event.seq != static_cast<int32_t>(from.index) || event.track != from.track ||
        event.channel == -1) {
      StampRecord(event, from.index, from.track);
    }
    song.order_.push_back(SongEventList::Entry{event.tick, event.track, from.source, from.index});
    ++from.index;
    key[w] = from.index < from.list->size() ? keyOf((*from.list)[from.index].tick, from.track)
                                            : kExhausted;
    for (size_t n = (w + leaves) / 2; n >= 1; n /= 2) {
      if (key[loser[n]] < key[w]) std::swap(loser[n], w);
    }
    loser[0] = w;
  }
}

void RescaleTicks(MidiEventList& list, int32_t oldTicksPerQuarter, int32_t newTicksPerQuarter) {
  if (oldTicksPerQuarter == 0) return;
  double ratio = static_cast<double>(newTicksPerQuarter) / oldTicksPerQuarter;
  for (MidiEvent& event : list) {
    // The integer part, as documented (ticks are never negative).
    event.tick = static_cast<int32_t>(event.tick * ratio + 0.5);
  }
}

void ComputeSteps(MidiEventList& list) {
  if (list.empty()) return;
  int32_t running = list.back().tick;
  for (size_t i = list.size() - 1; i-- > 0;) {
    MidiEvent& event = list[i];
    if (event.kind != MidiEventKind::Note) continue;
    event.step = running - event.tick;
    running = event.tick;
  }
}

MidiEvent SongStartMarker() {
  MidiEvent marker;
  marker.kind = MidiEventKind::Marker;
  marker.tick = 0;
  marker.value = kDefaultMarkerColour;
  marker.text = Sjis("先頭");
  return marker;
}

}  // namespace kore
