#pragma once
// The song in memory: sixteen track slots with their MML texts and compiled events, the
// song-wide settings, the marker list and the structural undo history.
//
// Text is Shift-JIS throughout, except `path`, which is a file-system path (UTF-8 on Linux).
// Everything here runs on the user-interface thread; the player reads compiled lists only.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mml/midi_event.h"
#include "mml/mml_compiler.h"
#include "song/instruments.h"
#include "song/notifier.h"

namespace kore {

constexpr int32_t kTrackSlotCount = 16;
// Slot 9 (MIDI channel 10, drums) is never handed out by the slot search.
constexpr int32_t kReservedSlot = 9;
constexpr int32_t kMaxTracks = kTrackSlotCount - 1;
constexpr size_t kTrackTextBufferSize = 1u << 20;
// The text is NUL-terminated inside its buffer.
constexpr size_t kMaxTrackTextBytes = kTrackTextBufferSize - 1;

constexpr int32_t kMinTicksPerQuarter = 1;
constexpr int32_t kMaxTicksPerQuarter = 960;
constexpr int32_t kDefaultTrackVolume = 100;
constexpr int32_t kDefaultTrackPanpot = 64;

// The name proposed for a marker the user creates ("新規マーカー", Shift-JIS); its colour is
// kDefaultMarkerColour.
std::string NewMarkerName();

// The one time-base rule of songs. A time signature: 1..16 beats of a 1, 2, 4, 8 or 16 note.
bool IsValidTimeSignature(int32_t beatsPerMeasure, int32_t beatUnit);
// A time base the document accepts: 1..960 ticks per quarter and a valid signature.
bool IsValidTimeBase(const TimeBase& timeBase);
// What readers make of a signature read from a file: kept when valid, else 4/4; ticks unchanged.
TimeBase WithUsableSignature(TimeBase timeBase);

// The saved properties of one slot, in the documented order. Readers (song files, importers)
// fill these without needing a whole slot with its buffer.
struct TrackProperties {
  int32_t inUse = 0;
  int32_t instrument = 0;  // instrument index 0..134 (song/instruments.h)
  int32_t reserved = 0;
  int32_t channel = 0;  // 0-based MIDI channel
  int32_t volume = kDefaultTrackVolume;
  int32_t panpot = kDefaultTrackPanpot;
  int32_t muted = 0;        // never saved
  int32_t startMarker = 0;  // 0 = song start, k >= 1 = k-th marker (1-based)
  std::string name;         // Shift-JIS

  // The values of a newly created track in `slot`: "Track<slot+1>", own channel, in use.
  static TrackProperties Fresh(int32_t slot);
  friend bool operator==(const TrackProperties&, const TrackProperties&) = default;
};

// One slot: properties, the 1 MiB text buffer (allocated once, for the document's lifetime)
// and the lists compiled from the text.
class CMMLTrack : public TrackProperties {
 public:
  CMMLTrack();
  CMMLTrack(const CMMLTrack&) = delete;
  CMMLTrack& operator=(const CMMLTrack&) = delete;

  // The MML text: the buffer's bytes up to the first NUL (at most 1,048,575 bytes).
  std::string_view Text() const;
  // The raw buffer of kTrackTextBufferSize bytes; the text ends at its first NUL.
  const char* TextBuffer() const { return text_.get(); }

  MidiEventList events;  // compiled track records (derived, never saved)
  MmlStateList states;   // MML state changes for the status bar (derived, never saved)

 private:
  friend class CMMLDocument;
  // Copies `text` cut at kMaxTrackTextBytes and zeroes what is left of the old text.
  size_t StoreText(std::string_view text);
  void ClearText();

  struct FreeBuffer {
    void operator()(char* buffer) const;
  };
  // Zero-filled by calloc: the pages a text never reached are never mapped, so a song of short
  // tracks does not hold sixteen MiB of zeros.
  std::unique_ptr<char[], FreeBuffer> text_;
};

// Kinds of the structural undo history; the numbers are the ones the history is documented with.
enum class UndoKind : int32_t {
  TrackAdded = 1,
  TrackDeleted = 2,
  TextChanged = 3,  // recorded by the editor through RecordTextEdit
  MarkerAdded = 4,
  MarkerDeleted = 5,
  MarkerChanged = 6,
};

struct UndoRecord {
  int32_t sequence = 0;  // editNumber + 1 when recorded
  UndoKind kind = UndoKind::TrackAdded;
  int32_t slot = -1;         // kinds 1, 2, 3
  int32_t tabPosition = -1;  // kinds 1, 2: where the tab stood when the track went away
  int32_t position = 0;      // kinds 4, 5: marker position; kind 6: the old position
  int32_t newPosition = 0;   // kind 6
  MidiEvent marker;          // kinds 4, 5: the marker; kind 6: the old marker
  MidiEvent newMarker;       // kind 6
  // Kinds 5, 6: slots whose startMarker named the marker, so undo can point them at it again.
  std::vector<int32_t> startingSlots;
  // Kind 2: the deleted slot as it was, so undo brings back its text even if the slot was
  // handed out again in between; and the fresh track created because the last one went.
  std::shared_ptr<const TrackProperties> deletedProperties;
  std::shared_ptr<const std::string> deletedText;
  int32_t freshSlot = -1;
};

// Told about changes that the views, the editor frame and the player must follow. Every method
// has an empty default, so an observer overrides only what it needs.
class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  // Called before anything rebuilds compiled lists: playback must stop now.
  virtual void StopPlayback() {}
  // Compiled events or markers changed: views redraw.
  virtual void RefreshViews() {}
  // Only `slot` was recompiled: its records in the song list were replaced, nothing else moved.
  // Views that can update one track cheaply override this; the default redraws everything.
  virtual void TrackCompiled(int32_t slot) { (void)slot, RefreshViews(); }
  // Something the caption shows may have changed (CMMLDocument::CaptionText).
  virtual void CaptionChanged() {}
  // The slot got a tab (at TrackOrder() position `tabPosition`) or lost its tab.
  virtual void TrackShown(int32_t slot, int32_t tabPosition) { (void)slot, (void)tabPosition; }
  virtual void TrackHidden(int32_t slot) { (void)slot; }
  // The slot's text or view state was replaced from the document side (new track, restore,
  // load): the editor pane reloads the text and the views forget the slot's scroll state.
  virtual void TrackTextReset(int32_t slot) { (void)slot; }
  virtual void CurrentTrackChanged(int32_t slot) { (void)slot; }
  // Kind-3 history: undo or redo one grouped text edit in the pane of `slot`.
  virtual void UndoTextEdit(int32_t slot) { (void)slot; }
  virtual void RedoTextEdit(int32_t slot) { (void)slot; }
  // The whole song was replaced (new song, load): rebuild everything.
  virtual void SongReplaced() {}
};

// A whole song as readers and importers produce it; CMMLDocument::LoadSong takes it over.
struct SongContent {
  TimeBase timeBase;
  std::string title, source, memo;
  std::array<TrackProperties, kTrackSlotCount> slots;
  std::array<std::string_view, kTrackSlotCount> texts;  // need not be NUL-terminated
  std::array<int32_t, kTrackSlotCount> trackOrder;  // -1 terminated when shorter
  bool trackOrderRead = false;
  MidiEventList markers;  // any order; Marker records (tick, value = colour, text = name)

  SongContent() { trackOrder.fill(-1); }
};

class CMMLDocument {
 public:
  // Allocates the sixteen text buffers and starts as a new song of one track at 32 TPQN.
  explicit CMMLDocument(Notifier* notifier = nullptr);
  CMMLDocument(const CMMLDocument&) = delete;
  CMMLDocument& operator=(const CMMLDocument&) = delete;

  void SetNotifier(Notifier* notifier) { notifier_ = notifier; }
  Notifier* GetNotifier() const { return notifier_; }
  void AddObserver(DocumentObserver* observer);
  void RemoveObserver(DocumentObserver* observer);

  // --- whole song ---------------------------------------------------------------------------
  // Empties the document and creates trackCount tracks (1..15, clamped) in ascending slots,
  // skipping slot 9. ticksPerQuarter outside 1..960 gives 32; the song is 4/4 and unmodified.
  void NewSong(int32_t trackCount, int32_t ticksPerQuarter);
  // Replaces the document with a read song: the track order is kept only when it lists exactly
  // the slots in use; markers are sorted by tick keeping the first of equal ticks, startMarker
  // references follow them (0 when dropped or out of range); an invalid time base becomes the
  // default; channels outside 0..15 become the slot's own, other out-of-range properties their
  // defaults. All tracks are recompiled, the history cleared and the song marked saved.
  void LoadSong(const SongContent& content, std::string newPath);

  // --- track slots --------------------------------------------------------------------------
  // The slot's text (empty for a slot out of range).
  std::string_view TrackText(int32_t slot) const;
  // Stores the text (up to a NUL in it, cut at 1,048,575 bytes without splitting a two-byte
  // character) and recompiles the slot. The caller decides whether
  // this is a user change (SetModified). Returns the bytes stored, -1 for a slot out of range.
  int32_t SetTrackText(int32_t slot, std::string_view text);
  // Recompiles one slot from its buffer; an in-use slot's records then replace its old ones in
  // SongEvents(), a slot not in use is dropped from it. -1 for a slot out of range.
  int32_t CompileTrack(int32_t slot);
  void CompileAllTracks();
  // The tick the slot's MML starts at: its startMarker's tick, 0 when out of range.
  int32_t StartTickOf(int32_t slot) const;
  // Track property dialog: everything but inUse, reserved and muted. Out-of-range values (instrument
  // outside 0..134, volume or panpot outside 0..127, startMarker outside 0..markers, channel
  // outside 0..15) are refused with -1 and nothing changes. Sets the modified flag.
  int32_t SetTrackProperties(int32_t slot, const TrackProperties& properties);
  void SetMuted(int32_t slot, bool muted);

  // The user adds a track: returns the new slot, or -1 (message "これ以上トラックを追加できません",
  // nothing changes). Recorded for undo; the new track becomes current.
  int32_t AddTrack();
  // Returns the slot whose tab takes the focus (also made current): the tab now at the deleted
  // tab's position, or the last tab. Deleting the last track creates a fresh one. -1 when the
  // slot is out of range or not in use. Recorded for undo.
  int32_t DeleteTrack(int32_t slot);
  // Number of tracks in TrackOrder().
  int32_t TrackCount() const;
  // Position of the slot in TrackOrder(), -1 when not listed.
  int32_t TabPositionOf(int32_t slot) const;
  // Slots outside 0..15 are ignored.
  void SetCurrentTrack(int32_t slot);

  // --- markers ------------------------------------------------------------------------------
  const MidiEventList& Markers() const { return markers_; }  // Marker records sorted by tick
  int32_t MarkerCount() const { return static_cast<int32_t>(markers_.size()); }
  // k = 0: the song-start marker; 1..MarkerCount(): a copy of marker k. Returns false otherwise.
  bool GetMarker(int32_t k, MidiEvent& marker) const;
  // Each of these is recorded for undo.
  // Returns the new marker's 1-based position, or -1 for a negative tick.
  int32_t AddMarker(int32_t tick, std::string_view name, int32_t colour);
  // Returns 0, or -1 (no-op) when k is not 1..MarkerCount().
  int32_t DeleteMarker(int32_t k);
  // Returns the marker's new position, or -1 when k is out of range or the tick negative.
  // Tracks that started at the marker keep starting at it.
  int32_t UpdateMarker(int32_t k, int32_t tick, std::string_view name, int32_t colour);

  // --- time base ----------------------------------------------------------------------------
  // Refuses (-1, nothing changes) a time base IsValidTimeBase rejects. Otherwise stops
  // playback, rescales the marker ticks, stores the values, recompiles every track. Returns 0.
  int32_t SetTimeBase(int32_t ticksPerQuarter, int32_t beatsPerMeasure, int32_t beatUnit);

  // --- undo history and modified state --------------------------------------------------------
  // Kind 3: the editor groups its text edits and records one per group.
  void RecordTextEdit(int32_t slot);
  bool CanUndo() const { return !undoStack_.empty(); }
  bool CanRedo() const { return !redoStack_.empty(); }
  bool Undo();
  bool Redo();
  void ClearUndoHistory();
  const std::vector<UndoRecord>& UndoStack() const { return undoStack_; }
  const std::vector<UndoRecord>& RedoStack() const { return redoStack_; }

  int32_t EditNumber() const { return static_cast<int32_t>(undoStack_.size()); }
  int32_t SavedEditNumber() const { return savedEditNumber_; }
  bool IsDirty() const { return dirty_; }
  bool IsModified() const;
  void SetModified();
  void MarkSaved();

  // "<appTitle> - <file name or (無題)>[(更新)] [<title>] - <current track name>", Shift-JIS.
  std::string CaptionText(std::string_view appTitle) const;

  // --- the song, read-only; every change goes through the operations above -------------------
  // File-system path; empty for an untitled song.
  const std::string& Path() const { return path_; }
  // Naming the song after a save or save-as; notifies the caption, leaves the modified state.
  void SetPath(std::string path);
  const std::string& Title() const { return title_; }
  const std::string& Source() const { return source_; }
  const std::string& Memo() const { return memo_; }
  // The song information dialog: marks the song modified when a text changed.
  void SetSongTexts(std::string title, std::string source, std::string memo);
  const TimeBase& GetTimeBase() const { return timeBase_; }
  // Every in-use track's records merged in tick order.
  const SongEventList& SongEvents() const { return songEvents_; }
  // No Note record of SongEvents() is longer than this (ticks); kept as tracks compile, so a
  // view need not walk the song to find it.
  int32_t LongestNoteBound() const;
  // Slot 0..15; any other slot gives an empty slot that is not in use.
  const CMMLTrack& Track(int32_t slot) const;
  // The slots in tab order, -1 terminated when fewer than 16.
  const std::array<int32_t, kTrackSlotCount>& TrackOrder() const { return trackOrder_; }
  int32_t CurrentTrack() const { return currentTrack_; }

 private:
  template <typename F>
  void ForEachObserver(F&& f) {
    // A copy, so an observer may remove itself while being told.
    std::vector<DocumentObserver*> observers = observers_;
    for (DocumentObserver* observer : observers) f(*observer);
  }
  void Push(UndoRecord record);
  void ResetSlot(int32_t slot);
  int32_t FindFreeSlot() const;
  void ListTrack(int32_t slot, int32_t tabPosition);
  int32_t UnlistTrack(int32_t slot);
  void DropCompiled(int32_t slot);
  void RestoreTrack(int32_t slot, int32_t tabPosition);
  int32_t RemoveTrack(int32_t slot, UndoRecord& record);
  void RestoreDeletedTrack(const UndoRecord& record);
  void DiscardFreshTrack(int32_t freshSlot);
  int32_t InsertMarker(const MidiEvent& marker);
  void InsertMarkerAt(int32_t position, const MidiEvent& marker);
  void EraseMarker(int32_t k, std::vector<int32_t>* startingSlots);
  void RecompileWhereStartChanged(const std::array<int32_t, kTrackSlotCount>& oldStarts);
  std::array<int32_t, kTrackSlotCount> StartTicks() const;
  void ApplyUndo(UndoRecord& record);
  void ApplyRedo(UndoRecord& record);
  void PointSlotsAt(const std::vector<int32_t>& slots, int32_t k);

  Notifier* notifier_ = nullptr;
  std::vector<DocumentObserver*> observers_;
  CMMLCompiler compiler_;
  std::vector<UndoRecord> undoStack_;
  std::vector<UndoRecord> redoStack_;
  int32_t savedEditNumber_ = 0;
  bool dirty_ = false;

  std::string path_;
  std::string title_;
  std::string source_;
  std::string memo_;
  TimeBase timeBase_;
  SongEventList songEvents_;
  std::array<int32_t, kTrackSlotCount> longestNote_{};  // per slot, of its last compile
  std::array<CMMLTrack, kTrackSlotCount> tracks_;
  std::array<int32_t, kTrackSlotCount> trackOrder_;
  int32_t currentTrack_ = 0;
  MidiEventList markers_;
};

}  // namespace kore
