#include "song/song_document.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numeric>

#include "base/parallel_for.h"
#include "base/shift_jis.h"

namespace kore {
namespace {

int32_t LongestNoteIn(const MidiEventList& events) {
  int32_t longest = 0;
  for (const MidiEvent& e : events)
    if (e.kind == MidiEventKind::Note) longest = std::max(longest, e.length);
  return longest;
}

bool SlotInRange(int32_t slot) { return slot >= 0 && slot < kTrackSlotCount; }

// The longest prefix of `text` of at most `limit` bytes that does not end inside a two-byte
// character, so a cut never leaves a dangling lead byte.
size_t CutAtCharacter(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t i = 0;
  while (i < limit) {
    size_t width = IsSjisLeadByte(text[i]) ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

}  // namespace

bool IsValidTimeSignature(int32_t beatsPerMeasure, int32_t beatUnit) {
  if (beatsPerMeasure < 1 || beatsPerMeasure > 16) return false;
  switch (beatUnit) {
    case 1: case 2: case 4: case 8: case 16: return true;
    default: return false;
  }
}

bool IsValidTimeBase(const TimeBase& timeBase) {
  return timeBase.ticksPerQuarter >= kMinTicksPerQuarter &&
         timeBase.ticksPerQuarter <= kMaxTicksPerQuarter &&
         IsValidTimeSignature(timeBase.beatsPerMeasure, timeBase.beatUnit);
}

TimeBase WithUsableSignature(TimeBase timeBase) {
  if (!IsValidTimeSignature(timeBase.beatsPerMeasure, timeBase.beatUnit)) {
    timeBase.beatsPerMeasure = 4;
    timeBase.beatUnit = 4;
  }
  return timeBase;
}

TrackProperties TrackProperties::Fresh(int32_t slot) {
  TrackProperties p;
  p.inUse = 1;
  p.reserved = slot;
  p.channel = slot;
  char name[32];
  std::snprintf(name, sizeof name, "Track%d", slot + 1);
  p.name = name;
  return p;
}

// --- CMMLTrack ----------------------------------------------------------------------------------

CMMLTrack::CMMLTrack() : text_(static_cast<char*>(std::calloc(kTrackTextBufferSize, 1))) {
  if (!text_) throw std::bad_alloc();
}

void CMMLTrack::FreeBuffer::operator()(char* buffer) const { std::free(buffer); }

std::string_view CMMLTrack::Text() const {
  const char* begin = text_.get();
  const void* nul = std::memchr(begin, 0, kMaxTrackTextBytes);
  size_t length = nul ? static_cast<const char*>(nul) - begin : kMaxTrackTextBytes;
  return {begin, length};
}

size_t CMMLTrack::StoreText(std::string_view text) {
  // A NUL ends the text, as it does inside the buffer.
  text = text.substr(0, text.find('\0'));
  size_t oldLength = Text().size();
  size_t length = CutAtCharacter(text, kMaxTrackTextBytes);
  if (length > 0) std::memmove(text_.get(), text.data(), length);
  // Zero the rest of the old text too, so the buffer holds nothing but the new text.
  std::memset(text_.get() + length, 0, std::max(oldLength, length) - length + 1);
  return length;
}

void CMMLTrack::ClearText() {
  // The bytes after the text are zero already: StoreText zeroes what a shorter text leaves.
  std::memset(text_.get(), 0, Text().size());
}

// --- CMMLDocument: set-up and observers -------------------------------------------------------

CMMLDocument::CMMLDocument(Notifier* notifier) : notifier_(notifier) {
  trackOrder_.fill(-1);
  NewSong(1, 32);
}

void CMMLDocument::AddObserver(DocumentObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void CMMLDocument::RemoveObserver(DocumentObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// --- whole song ---------------------------------------------------------------------------------

void CMMLDocument::NewSong(int32_t trackCount, int32_t ticksPerQuarter) {
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  path_.clear();
  title_.clear();
  source_.clear();
  memo_.clear();
  if (ticksPerQuarter < kMinTicksPerQuarter || ticksPerQuarter > kMaxTicksPerQuarter) {
    ticksPerQuarter = 32;
  }
  timeBase_ = TimeBase{ticksPerQuarter, 4, 4};
  compiler_.SetTimeBase(timeBase_);
  markers_.clear();
  songEvents_.clear();
  trackOrder_.fill(-1);
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) ResetSlot(slot);

  trackCount = std::clamp(trackCount, 1, kMaxTracks);
  for (int32_t i = 0; i < trackCount; ++i) {
    int32_t slot = FindFreeSlot();
    static_cast<TrackProperties&>(tracks_[slot]) = TrackProperties::Fresh(slot);
    ListTrack(slot, i);
  }
  currentTrack_ = trackOrder_[0];
  CompileAllTracks();
  undoStack_.clear();
  redoStack_.clear();
  savedEditNumber_ = 0;
  dirty_ = false;
  ForEachObserver([](DocumentObserver& o) {
    o.SongReplaced();
    o.CaptionChanged();
  });
}

void CMMLDocument::LoadSong(const SongContent& content, std::string newPath) {
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  title_ = content.title;
  source_ = content.source;
  memo_ = content.memo;
  timeBase_ = IsValidTimeBase(content.timeBase) ? content.timeBase : TimeBase{};
  compiler_.SetTimeBase(timeBase_);

  // Markers by ascending tick; of several at one tick only the first in file order stays.
  const int32_t readCount = static_cast<int32_t>(content.markers.size());
  std::vector<int32_t> byTick(readCount);
  std::iota(byTick.begin(), byTick.end(), 0);
  std::stable_sort(byTick.begin(), byTick.end(), [&](int32_t a, int32_t b) {
    return content.markers[a].tick < content.markers[b].tick;
  });
  std::vector<int32_t> newPosition(readCount, 0);  // read index -> 1-based position, 0 dropped
  markers_.clear();
  for (int32_t index : byTick) {
    MidiEvent marker = content.markers[index];
    marker.kind = MidiEventKind::Marker;
    marker.tick = std::max(marker.tick, 0);
    if (!markers_.empty() && markers_.back().tick == marker.tick) continue;
    markers_.push_back(std::move(marker));
    newPosition[index] = static_cast<int32_t>(markers_.size());
  }

  int32_t inUseCount = 0;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    CMMLTrack& track = tracks_[slot];
    static_cast<TrackProperties&>(track) = content.slots[slot];
    track.inUse = track.inUse ? 1 : 0;
    if (track.instrument < 0 || track.instrument >= kInstrumentCount) track.instrument = 0;
    if (track.volume < 0 || track.volume > 127) track.volume = kDefaultTrackVolume;
    if (track.panpot < 0 || track.panpot > 127) track.panpot = kDefaultTrackPanpot;
    // A channel byte outside 0..15 would turn note messages into other messages.
    if (track.channel < 0 || track.channel > 15) track.channel = slot;
    int32_t k = track.startMarker;
    track.startMarker = (k >= 1 && k <= readCount) ? newPosition[k - 1] : 0;
    track.StoreText(content.texts[slot]);
    track.events.clear();
    track.states.clear();
    inUseCount += track.inUse;
  }

  // The order read is kept only when it lists each slot in use exactly once.
  bool keepOrder = content.trackOrderRead;
  if (keepOrder) {
    std::array<bool, kTrackSlotCount> seen{};
    int32_t listed = 0;
    for (int32_t entry : content.trackOrder) {
      if (entry == -1) break;
      if (!SlotInRange(entry) || !tracks_[entry].inUse || seen[entry]) {
        keepOrder = false;
        break;
      }
      seen[entry] = true;
      ++listed;
    }
    keepOrder = keepOrder && listed == inUseCount;
  }
  trackOrder_.fill(-1);
  if (keepOrder) {
    std::copy(content.trackOrder.begin(), content.trackOrder.begin() + inUseCount,
              trackOrder_.begin());
  } else {
    int32_t position = 0;
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
      if (tracks_[slot].inUse) trackOrder_[position++] = slot;
    }
  }
  // A song always has a track, even when the file named none.
  if (inUseCount == 0) {
    int32_t slot = FindFreeSlot();
    ResetSlot(slot);
    static_cast<TrackProperties&>(tracks_[slot]) = TrackProperties::Fresh(slot);
    trackOrder_[0] = slot;
  }
  currentTrack_ = trackOrder_[0];
  CompileAllTracks();
  undoStack_.clear();
  redoStack_.clear();
  path_ = std::move(newPath);
  MarkSaved();
  ForEachObserver([](DocumentObserver& o) {
    o.SongReplaced();
    o.CaptionChanged();
  });
}

// --- slots and compiling ----------------------------------------------------------------------

std::string_view CMMLDocument::TrackText(int32_t slot) const {
  return SlotInRange(slot) ? tracks_[slot].Text() : std::string_view{};
}

int32_t CMMLDocument::SetTrackText(int32_t slot, std::string_view text) {
  if (!SlotInRange(slot)) return -1;
  int32_t stored = static_cast<int32_t>(tracks_[slot].StoreText(text));
  CompileTrack(slot);
  return stored;
}

int32_t CMMLDocument::CompileTrack(int32_t slot) {
  if (!SlotInRange(slot)) return -1;
  CMMLTrack& track = tracks_[slot];
  if (track.inUse) {
    compiler_.Compile(track.Text(), track.events, track.states, StartTickOf(slot), false);
    longestNote_[slot] = LongestNoteIn(track.events);
    ReplaceTrack(songEvents_, track.events, slot);
  } else {
    DropCompiled(slot);
  }
  ForEachObserver([slot](DocumentObserver& o) { o.TrackCompiled(slot); });
  return 0;
}

void CMMLDocument::CompileAllTracks() {
  songEvents_.clear();
  std::vector<int32_t> live;
  size_t textBytes = 0;
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    CMMLTrack& track = tracks_[slot];
    if (track.inUse) {
      live.push_back(slot);
      textBytes += track.Text().size();
    } else {
      track.events.clear();
      track.states.clear();
    }
  }
  // The tracks compile independently, so a long song spreads them over the cores; a short one
  // is done before a helper thread would have started.
  constexpr size_t kParallelFrom = 64 * 1024;
  ParallelFor(
      live.size(),
      [&](size_t i) {
        CMMLTrack& track = tracks_[live[i]];
        compiler_.Compile(track.Text(), track.events, track.states, StartTickOf(live[i]), false);
        StampTrack(track.events, live[i]);
        longestNote_[live[i]] = LongestNoteIn(track.events);
      },
      textBytes < kParallelFrom ? 1 : 0);
  std::vector<TrackEvents> lists;
  for (int32_t slot : live) lists.push_back(TrackEvents{&tracks_[slot].events, slot});
  MergeTracks(songEvents_, lists);
  ForEachObserver([](DocumentObserver& o) { o.RefreshViews(); });
}

int32_t CMMLDocument::LongestNoteBound() const {
  return *std::max_element(longestNote_.begin(), longestNote_.end());
}

void CMMLDocument::DropCompiled(int32_t slot) {
  tracks_[slot].events.clear();
  tracks_[slot].states.clear();
  MidiEventList none;
  ReplaceTrack(songEvents_, none, slot);
}

int32_t CMMLDocument::StartTickOf(int32_t slot) const {
  if (!SlotInRange(slot)) return 0;
  int32_t k = tracks_[slot].startMarker;
  if (k < 1 || k > MarkerCount()) return 0;
  return markers_[k - 1].tick;
}

std::array<int32_t, kTrackSlotCount> CMMLDocument::StartTicks() const {
  std::array<int32_t, kTrackSlotCount> ticks{};
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) ticks[slot] = StartTickOf(slot);
  return ticks;
}

void CMMLDocument::RecompileWhereStartChanged(const std::array<int32_t, kTrackSlotCount>& oldStarts) {
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    CMMLTrack& track = tracks_[slot];
    if (!track.inUse || StartTickOf(slot) == oldStarts[slot]) continue;
    compiler_.Compile(track.Text(), track.events, track.states, StartTickOf(slot), false);
    longestNote_[slot] = LongestNoteIn(track.events);
    ReplaceTrack(songEvents_, track.events, slot);
  }
  ForEachObserver([](DocumentObserver& o) { o.RefreshViews(); });
}

int32_t CMMLDocument::SetTrackProperties(int32_t slot, const TrackProperties& p) {
  if (!SlotInRange(slot)) return -1;
  if (p.instrument < 0 || p.instrument >= kInstrumentCount) return -1;
  if (p.volume < 0 || p.volume > 127 || p.panpot < 0 || p.panpot > 127) return -1;
  if (p.startMarker < 0 || p.startMarker > MarkerCount()) return -1;
  if (p.channel < 0 || p.channel > 15) return -1;
  CMMLTrack& track = tracks_[slot];
  bool startChanged = track.startMarker != p.startMarker;
  if (startChanged) ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  track.instrument = p.instrument;
  track.channel = p.channel;
  track.volume = p.volume;
  track.panpot = p.panpot;
  track.startMarker = p.startMarker;
  track.name = p.name;
  dirty_ = true;
  if (startChanged) CompileTrack(slot);
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
  return 0;
}

void CMMLDocument::SetMuted(int32_t slot, bool muted) {
  if (SlotInRange(slot)) tracks_[slot].muted = muted ? 1 : 0;
}

// --- tracks --------------------------------------------------------------------------------------

void CMMLDocument::ResetSlot(int32_t slot) {
  CMMLTrack& track = tracks_[slot];
  static_cast<TrackProperties&>(track) = TrackProperties::Fresh(slot);
  track.inUse = 0;
  track.ClearText();
  track.events.clear();
  track.states.clear();
}

int32_t CMMLDocument::FindFreeSlot() const {
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
    if (slot != kReservedSlot && !tracks_[slot].inUse) return slot;
  }
  return -1;
}

int32_t CMMLDocument::TrackCount() const {
  int32_t count = 0;
  while (count < kTrackSlotCount && trackOrder_[count] != -1) ++count;
  return count;
}

int32_t CMMLDocument::TabPositionOf(int32_t slot) const {
  for (int32_t i = 0; i < TrackCount(); ++i) {
    if (trackOrder_[i] == slot) return i;
  }
  return -1;
}

void CMMLDocument::ListTrack(int32_t slot, int32_t tabPosition) {
  int32_t count = TrackCount();
  if (count >= kTrackSlotCount) return;
  tabPosition = std::clamp(tabPosition, 0, count);
  std::copy_backward(trackOrder_.begin() + tabPosition, trackOrder_.begin() + count,
                     trackOrder_.begin() + count + 1);
  trackOrder_[tabPosition] = slot;
}

int32_t CMMLDocument::UnlistTrack(int32_t slot) {
  int32_t position = TabPositionOf(slot);
  if (position < 0) return -1;
  std::copy(trackOrder_.begin() + position + 1, trackOrder_.end(), trackOrder_.begin() + position);
  trackOrder_[kTrackSlotCount - 1] = -1;
  return position;
}

void CMMLDocument::SetCurrentTrack(int32_t slot) {
  if (!SlotInRange(slot)) return;
  currentTrack_ = slot;
  ForEachObserver([slot](DocumentObserver& o) {
    o.CurrentTrackChanged(slot);
    o.CaptionChanged();
  });
}

int32_t CMMLDocument::AddTrack() {
  int32_t slot = FindFreeSlot();
  if (slot < 0) {
    NotifyUser(notifier_, NotifySeverity::Warning, Sjis("これ以上トラックを追加できません"));
    return -1;
  }
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  ResetSlot(slot);
  static_cast<TrackProperties&>(tracks_[slot]) = TrackProperties::Fresh(slot);
  int32_t position = TrackCount();
  ListTrack(slot, position);
  CompileTrack(slot);
  ForEachObserver([&](DocumentObserver& o) {
    o.TrackTextReset(slot);
    o.TrackShown(slot, position);
  });
  UndoRecord record;
  record.kind = UndoKind::TrackAdded;
  record.slot = slot;
  Push(std::move(record));
  SetCurrentTrack(slot);
  return slot;
}

void CMMLDocument::RestoreTrack(int32_t slot, int32_t tabPosition) {
  CMMLTrack& track = tracks_[slot];
  track.inUse = 1;
  if (track.startMarker < 0 || track.startMarker > MarkerCount()) track.startMarker = 0;
  ListTrack(slot, tabPosition);
  int32_t position = TabPositionOf(slot);
  CompileTrack(slot);
  ForEachObserver([&](DocumentObserver& o) {
    o.TrackTextReset(slot);
    o.TrackShown(slot, position);
  });
  SetCurrentTrack(slot);
}

int32_t CMMLDocument::DeleteTrack(int32_t slot) {
  if (!SlotInRange(slot) || !tracks_[slot].inUse) return -1;
  UndoRecord record;
  record.kind = UndoKind::TrackDeleted;
  record.slot = slot;
  int32_t focus = RemoveTrack(slot, record);
  Push(std::move(record));
  return focus;
}

int32_t CMMLDocument::RemoveTrack(int32_t slot, UndoRecord& record) {
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  CMMLTrack& track = tracks_[slot];
  // The slot may be handed out again before an undo needs it back.
  TrackProperties kept = track;
  record.deletedProperties = std::make_shared<const TrackProperties>(std::move(kept));
  record.deletedText = std::make_shared<const std::string>(track.Text());
  record.tabPosition = UnlistTrack(slot);
  record.freshSlot = -1;
  track.inUse = 0;
  DropCompiled(slot);
  ForEachObserver([slot](DocumentObserver& o) { o.TrackHidden(slot); });

  if (TrackCount() == 0) {
    // A song always has at least one track.
    int32_t fresh = FindFreeSlot();
    ResetSlot(fresh);
    static_cast<TrackProperties&>(tracks_[fresh]) = TrackProperties::Fresh(fresh);
    ListTrack(fresh, 0);
    CompileTrack(fresh);
    ForEachObserver([fresh](DocumentObserver& o) {
      o.TrackTextReset(fresh);
      o.TrackShown(fresh, 0);
    });
    record.freshSlot = fresh;
  }
  int32_t count = TrackCount();
  int32_t focus = trackOrder_[std::min(std::max(record.tabPosition, 0), count - 1)];
  SetCurrentTrack(focus);
  ForEachObserver([](DocumentObserver& o) { o.RefreshViews(); });
  return focus;
}

// --- song texts -------------------------------------------------------------------------------

const CMMLTrack& CMMLDocument::Track(int32_t slot) const {
  if (SlotInRange(slot)) return tracks_[slot];
  static const CMMLTrack kNoTrack;  // not in use, empty
  return kNoTrack;
}

void CMMLDocument::SetPath(std::string path) {
  path_ = std::move(path);
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
}

void CMMLDocument::SetSongTexts(std::string title, std::string source, std::string memo) {
  if (title == title_ && source == source_ && memo == memo_) return;
  title_ = std::move(title);
  source_ = std::move(source);
  memo_ = std::move(memo);
  dirty_ = true;
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
}

// --- modified state and caption ---------------------------------------------------------------

bool CMMLDocument::IsModified() const { return EditNumber() != savedEditNumber_ || dirty_; }

void CMMLDocument::SetModified() {
  bool was = IsModified();
  dirty_ = true;
  if (!was) ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
}

void CMMLDocument::MarkSaved() {
  savedEditNumber_ = EditNumber();
  dirty_ = false;
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
}

std::string CMMLDocument::CaptionText(std::string_view appTitle) const {
  std::string caption(appTitle);
  caption += " - ";
  if (path_.empty()) {
    caption += Sjis("(無題)");
  } else {
    size_t slash = path_.find_last_of('/');
    caption += Utf8ToSjisLossy(slash == std::string::npos ? path_ : path_.substr(slash + 1));
  }
  if (IsModified()) caption += Sjis("(更新)");
  caption += " [";
  caption += title_;
  caption += "] - ";
  if (SlotInRange(currentTrack_)) caption += tracks_[currentTrack_].name;
  return caption;
}

// --- time base ----------------------------------------------------------------------------------

int32_t CMMLDocument::SetTimeBase(int32_t ticksPerQuarter, int32_t beatsPerMeasure,
                                  int32_t beatUnit) {
  TimeBase next{ticksPerQuarter, beatsPerMeasure, beatUnit};
  if (!IsValidTimeBase(next)) return -1;
  // Refuse a change that would push a marker past the tick range rather than wrap it.
  double ratio = static_cast<double>(ticksPerQuarter) / timeBase_.ticksPerQuarter;
  for (const MidiEvent& marker : markers_) {
    if (marker.tick * ratio + 0.5 > static_cast<double>(INT32_MAX)) return -1;
  }
  ForEachObserver([](DocumentObserver& o) { o.StopPlayback(); });
  if (ticksPerQuarter != timeBase_.ticksPerQuarter) {
    RescaleTicks(markers_, timeBase_.ticksPerQuarter, ticksPerQuarter);
  }
  if (!(next == timeBase_)) dirty_ = true;
  timeBase_ = next;
  compiler_.SetTimeBase(timeBase_);
  CompileAllTracks();
  ForEachObserver([](DocumentObserver& o) { o.CaptionChanged(); });
  return 0;
}

}  // namespace kore
