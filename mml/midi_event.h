#pragma once
// The one record type every compiled event, MML state change and song marker is held in,
// the lists built from it, and the song-wide merged sequence the player walks.
#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/huge_pages.h"
#include "mml/event_payload.h"

namespace kore {

enum class MidiEventKind : uint8_t {
  None = 0,
  Note = 1,
  ProgramChange = 3,
  Tempo = 4,
  Rest = 5,
  Measure = 6,
  EndOfTrack = 7,
  Marker = 10,
  Tie = 11,
  ControlChange = 12,
  PitchBend = 13,
  SysEx = 14,
  ExtensionStart = 15,
  StateLength = 16,
  StateVolume = 17,
  StateOctave = 18,
  StateTempo = 19,
};

// Name of a kind as printed by tools ("Note", "Rest", ...); "Unknown" for other values.
const char* MidiEventKindName(MidiEventKind kind);

struct TimeBase {
  int32_t ticksPerQuarter = 32;
  int32_t beatsPerMeasure = 4;
  int32_t beatUnit = 4;

  // Integer arithmetic truncating toward zero, in the documented order: a third-note of the
  // default base is 42 ticks and the drift is kept on purpose. A zero divisor gives 0.
  int32_t TicksPerMeasure() const;
  int32_t TicksOfLength(int32_t lengthValue, bool dotted) const;
  int32_t MeasureOf(int32_t tick) const;
  int32_t TickInMeasure(int32_t tick) const;

  friend bool operator==(const TimeBase&, const TimeBase&) = default;
};

// Every field keeps its documented meaning; the storage is narrowed to the range each one can
// hold, and text and data live out of line (event_payload.h).
struct MidiEvent {
  int32_t tick = 0;
  int32_t length = 0;
  int32_t value = 0;
  int32_t seq = 0;
  int32_t step = 0;
  int32_t textBegin = 0;
  int32_t textEnd = 0;
  int32_t lengthValue = 0;  // any argument of the extended dialect, so full width
  EventText text;           // Shift-JIS; Note display text (game dialect) or marker name
  EventBytes data;          // SysEx bytes, 0xF0 .. 0xF7 inclusive
  int16_t note = 0;
  int16_t value2 = 0;       // a data byte or a flag
  int16_t octave = 0;
  MidiEventKind kind = MidiEventKind::None;
  int8_t channel = 0;       // -1 .. 15
  int8_t track = 0;         // -1 .. 15
  uint8_t letter = 0;
  uint8_t sharp = 0;
  uint8_t dotted = 0;
  uint8_t numericNote = 0;
  uint8_t defaultDotted = 0;
  uint8_t defaultLength = 0;  // 1 .. 64
  uint8_t outOfRange = 0;

  // Fills `note` and the derived `letter`, `octave` and `sharp`.
  void SetPitch(int32_t midiNote);

  friend bool operator==(const MidiEvent&, const MidiEvent&) = default;
};
// A long song holds millions of records, each compiled, merged and walked by the player and the
// views: one cache line per record keeps memory and page faults at a third of a wide layout.
static_assert(sizeof(MidiEvent) <= 64);

// Zeroes every field and empties `text` and `data`.
void ResetEvent(MidiEvent& event);

// A long track's lists are filled once, front to back, into fresh memory: they start on huge
// pages (base/huge_pages.h).
using MidiEventList = std::vector<MidiEvent, LongArrayAllocator<MidiEvent>>;
using MmlStateList = MidiEventList;

// One track's list for MergeTracks.
struct TrackEvents {
  MidiEventList* events;
  int32_t index;  // 0..15
};

// Song-wide sequence of the records of every track, ordered by tick, then track, then seq. It
// holds no records of its own: each element refers to a record in the track's list it was merged
// from, so a list stays merged only while it lives and until it changes; recompile a track and
// ReplaceTrack it (or clear the song list) before reading the song list again. The order is a
// compact array of keys, so replacing one track in a long song touches a few bytes per record.
class SongEventList {
  struct Entry {
    int32_t tick;
    int16_t track;
    uint16_t source;  // index into sources_
    uint32_t index;   // position in that list
  };

 public:
  class const_iterator {
   public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = MidiEvent;
    using difference_type = std::ptrdiff_t;
    using pointer = const MidiEvent*;
    using reference = const MidiEvent&;

    const_iterator() = default;
    reference operator*() const { return list_->At(list_->order_[index_]); }
    pointer operator->() const { return &**this; }
    const_iterator& operator++() { ++index_; return *this; }
    const_iterator operator++(int) { auto old = *this; ++index_; return old; }
    const_iterator& operator--() { --index_; return *this; }
    const_iterator operator--(int) { auto old = *this; --index_; return old; }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.index_ == b.index_;
    }
    // Position in the song order (0-based).
    size_t index() const { return index_; }

   private:
    friend class SongEventList;
    const_iterator(const SongEventList* list, size_t index) : list_(list), index_(index) {}
    const SongEventList* list_ = nullptr;
    size_t index_ = 0;
  };

  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, order_.size()}; }
  size_t size() const { return order_.size(); }
  bool empty() const { return order_.empty(); }
  const MidiEvent& operator[](size_t position) const { return At(order_[position]); }
  void clear();

  // A plain copy in song order (the player works on such a copy).
  MidiEventList ToVector() const;

 private:
  friend void MergeTrack(SongEventList&, MidiEventList&, int32_t);
  friend void ReplaceTrack(SongEventList&, MidiEventList&, int32_t);
  friend void MergeTracks(SongEventList&, std::span<const TrackEvents>);
  const MidiEvent& At(const Entry& entry) const { return (*sources_[entry.source])[entry.index]; }
  void Merge(MidiEventList& trackEvents, int32_t trackIndex, bool removeTrackFirst);
  struct KeptEntries {
    size_t records = 0;  // leading records of the list whose entries stay (same tick, position)
    size_t entries = 0;  // the untouched head of order_, through the last of them
  };
  KeptEntries KeptHead(const MidiEventList& trackEvents, int32_t trackIndex) const;
  // Through remembered ticks and a search, without walking the list; none when unsure.
  std::optional<KeptEntries> KeptHeadFromTicks(const MidiEventList& trackEvents,
                                               int32_t trackIndex, size_t source) const;
  void Remember(const MidiEventList& trackEvents, int32_t trackIndex, bool replaced);
  uint16_t SourceOf(const MidiEventList& list, size_t entries);
  void Unreference(uint16_t source);

  std::vector<const MidiEventList*> sources_;
  std::vector<uint32_t> sourceEntries_;  // entries per source; a source at 0 is free again
  std::vector<Entry, LongArrayAllocator<Entry>> order_;
  std::vector<Entry, LongArrayAllocator<Entry>> scratch_;
  // The list last replaced under each track 0..15 and the ticks its entries carry, so the next
  // replacement finds the first changed record without walking the song.
  struct Replaced {
    const MidiEventList* list = nullptr;
    std::vector<int32_t> ticks;
  };
  std::array<Replaced, 16> replaced_;
};

// Writes what merging puts into a track's own records: `seq` = position, `track` = trackIndex
// and a channel of -1 as the track index. With trackIndex -1 `track` is left as it is and a
// channel of -1 becomes 0.
inline void StampRecord(MidiEvent& event, size_t position, int32_t trackIndex) {
  event.seq = static_cast<int32_t>(position);
  if (trackIndex == -1) {
    if (event.channel == -1) event.channel = 0;
  } else {
    event.track = static_cast<int8_t>(trackIndex);
    if (event.channel == -1) event.channel = static_cast<int8_t>(trackIndex);
  }
}

// Merges the track's records into the song list, stamping them first (StampRecord). Each record
// goes before the first element whose tick is greater, or equal with a greater track; the
// track's records are in tick order, so one forward pass finds every place.
void MergeTrack(SongEventList& song, MidiEventList& trackEvents, int32_t trackIndex);

// The song list of the given tracks, as clear() and then MergeTrack of each would leave it, in
// one pass over all records. The indexes are distinct and each list's ticks never decrease (as
// the compiler leaves them).
void MergeTracks(SongEventList& song, std::span<const TrackEvents> tracks);

// Stamps every record of a track's list as merging it would (StampRecord); done on the thread
// that compiled the list, it leaves MergeTracks only reading that list.
void StampTrack(MidiEventList& trackEvents, int32_t trackIndex);

// Removes every record of `trackIndex` from the song list, then merges the track again.
void ReplaceTrack(SongEventList& song, MidiEventList& trackEvents, int32_t trackIndex);

// tick := integer part of tick * newTpq / oldTpq + 0.5 in double precision, for every record.
void RescaleTicks(MidiEventList& list, int32_t oldTicksPerQuarter, int32_t newTicksPerQuarter);

// The step pass: walks back from the record before the last (EndOfTrack) and gives each Note
// the distance to the next Note, or to the end tick for the last one.
void ComputeSteps(MidiEventList& list);

// The fixed song-start marker: tick 0, "先頭", colour red 224 green 40 blue 40.
MidiEvent SongStartMarker();
constexpr int32_t kDefaultMarkerColour = 0x2828E0;

}  // namespace kore
