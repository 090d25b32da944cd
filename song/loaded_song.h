#pragma once
// The saved part of a song as every reader produces it: the song file reader, the extension
// block, the ".mms" and ".kor" readers and the clipboard parser. It owns its texts; the document
// takes it over through LoadIntoDocument.
#include <array>
#include <cstdint>
#include <string>

#include "mml/midi_event.h"
#include "song/song_document.h"

namespace kore {

struct LoadedSong {
  TimeBase timeBase;
  std::string title, source, memo;  // Shift-JIS
  std::array<TrackProperties, kTrackSlotCount> slots;
  std::array<std::string, kTrackSlotCount> texts;  // each at most kMaxTrackTextBytes
  std::array<int32_t, kTrackSlotCount> trackOrder;  // -1 terminated when shorter
  bool trackOrderRead = false;
  MidiEventList markers;  // file order; Marker records (tick, value = colour, text = name)

  LoadedSong() { Reset(); }
  // Every slot not in use with volume 100, panpot 64, its own channel, instrument index 0,
  // start marker 0, an empty name and text; no order, no markers; empty title, source and memo;
  // the default time base.
  void Reset();
  // Names every slot "Track%d" with the slot number + 1.
  void NameSlotsByNumber();
  // A view of this song for the document and the writers (valid while this object lives and is
  // not changed).
  SongContent View() const;

  friend bool operator==(const LoadedSong&, const LoadedSong&) = default;
};

// The view of a live document that the writers take.
SongContent ContentOf(const CMMLDocument& document);

// Replaces the document with the song (track order validated, markers re-sorted, start markers
// renumbered, every track recompiled, marked saved) and sets its path.
void LoadIntoDocument(const LoadedSong& song, CMMLDocument& document, std::string path);

// Stores `text` in a slot's text, cut at kMaxTrackTextBytes.
void StoreTrackText(std::string& slotText, std::string_view text);

}  // namespace kore
