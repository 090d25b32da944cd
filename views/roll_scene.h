#pragma once
// What the piano roll shows at its scroll position: the visible Notes and marker flags with
// their rectangles, the hit test and the point classification the mouse actions use.
//
// User-interface thread only. Note texts and marker names are kept as Shift-JIS copies, so the
// scene stays valid while the song list is recompiled.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mml/midi_event.h"
#include "views/roll_geometry.h"

namespace kore::views {

struct RollRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool Contains(int32_t x, int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  int32_t Width() const { return right - left; }
};

// Which tracks the roll draws (setting `PianoRollTargetV2`, combo 1004).
enum class RollTarget : int32_t { AllTracks = 0, EmphasiseCurrent = 1, CurrentOnly = 2 };
// The entries of the target list, in order (UTF-8): "全トラック", "編集トラック強調",
// "編集トラックのみ".
const char* RollTargetName(RollTarget target);
// A stored setting: 1 or 2, anything else is AllTracks.
RollTarget RollTargetFromSetting(int32_t value);

struct RollNote {
  int32_t tick = 0, length = 0, note = 0, track = 0, seq = 0, octave = 0, value = 0;
  std::string text;  // Shift-JIS
  RollRect rect;
};

struct RollMarker {
  int32_t number = 0;  // 1-based position in the document's marker list
  int32_t tick = 0;
  int32_t colour = 0;  // 0x00BBGGRR
  std::string name;    // Shift-JIS
  RollRect flag;       // set by the widget, which knows the text width
};

// Point classes of the mouse actions.
enum class RollPointType : int32_t {
  Corner = 1, Ruler = 2, KeyStrip = 3, Empty = 4, Note = 5, Marker = 6,
};

struct RollPoint {
  RollPointType type = RollPointType::Corner;
  int32_t value1 = 0;  // tick (Ruler, Empty), Note seq, marker number
  int32_t value2 = 0;  // Note track; a marker's track is 0
  int32_t hit = -1;    // index into Notes() or Markers(); -1 for none
};

class RollScene {
 public:
  // Called when the song list changes: remembers the longest Note, which bounds how far before
  // the visible range a Note can start and still be seen. `longestNote`, when the caller knows
  // a bound (the document keeps one), saves walking the whole song for it.
  void SetSong(const SongEventList* song, const MidiEventList* markers,
               std::optional<int32_t> longestNote = std::nullopt);
  void SetTarget(RollTarget target, int32_t currentTrack);
  // Rebuilds the visible Notes (song order, current track's last when it is drawn over others)
  // and markers for the geometry's range. Markers get an empty flag; the widget sizes it.
  void Rebuild(const RollGeometry& geometry);

  const std::vector<RollNote>& Notes() const { return notes_; }
  std::vector<RollMarker>& Markers() { return markers_; }
  const std::vector<RollMarker>& Markers() const { return markers_; }
  int32_t LongestNote() const { return longestNote_; }
  RollTarget Target() const { return target_; }
  int32_t CurrentTrack() const { return currentTrack_; }

  // Index of the Note hit at (x, y) with the current track winning overlaps; -1 for none.
  int32_t HitNote(int32_t x, int32_t y, int32_t tickAtX) const;
  RollPoint Classify(int32_t x, int32_t y, const RollGeometry& geometry) const;

 private:
  const SongEventList* song_ = nullptr;
  const MidiEventList* markerList_ = nullptr;
  RollTarget target_ = RollTarget::AllTracks;
  int32_t currentTrack_ = 0;
  int32_t longestNote_ = 0;
  std::vector<RollNote> notes_;  // song order: the hit scan relies on it
  std::vector<RollMarker> markers_;
};

// Tooltip texts (Shift-JIS): "O%d V%d Gate%d\n" and the text cut to 61 bytes + "..." beyond
// 64 bytes; a marker's "%s\nMeas %04d:%04d".
std::string NoteTooltip(const RollNote& note);
std::string MarkerTooltip(const RollMarker& marker, const TimeBase& timeBase);

}  // namespace kore::views
