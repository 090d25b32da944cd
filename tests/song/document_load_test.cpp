#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "mml/mml_compiler.h"
#include "song/song_document.h"

namespace kore {
namespace {

// Random MML of both dialects with notes, rests, ties, state changes and comments.
std::string RandomText(std::mt19937& rng, size_t size) {
  static const char* const kPieces[] = {"c", "d8", "e16.", "f+4", "g-", "a2", "b32", "r8", "r",
                                        "&",  "<",  ">",    "o4",  "l8", "v9", "t150", "n50",
                                        " ",  "\r\n", "/* x */", "// y\n", "c1&c1"};
  std::string text = rng() % 4 == 0 ? "//#using_extension\n y7,100 ~0,64 @5 EX xF0,x01,xF7 " : "";
  while (text.size() < size) text += kPieces[rng() % std::size(kPieces)];
  return text;
}

// A long song is compiled on several threads; what the document holds afterwards must be what
// compiling each track in turn and merging it gives.
TEST(DocumentLoad, ParallelCompileEqualsTrackByTrack) {
  std::mt19937 rng(77);
  for (int round = 0; round < 4; ++round) {
    SongContent content;
    content.timeBase = TimeBase{round % 2 ? 480 : 32, 3 + round % 2, 4};
    for (int32_t m = 0; m < 3; ++m) {
      MidiEvent marker;
      marker.kind = MidiEventKind::Marker;
      marker.tick = static_cast<int32_t>(rng() % 5000);
      content.markers.push_back(marker);
    }
    std::vector<std::string> texts(kTrackSlotCount);
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
      if (rng() % 5 == 0) continue;  // some slots stay unused
      content.slots[slot] = TrackProperties::Fresh(slot);
      content.slots[slot].startMarker = static_cast<int32_t>(rng() % 4);
      texts[static_cast<size_t>(slot)] = RandomText(rng, 2000 + rng() % 20000);
      content.texts[slot] = texts[static_cast<size_t>(slot)];
    }
    CMMLDocument doc;
    doc.LoadSong(content, "random.mml");

    CMMLCompiler compiler(doc.GetTimeBase());
    MidiEventList events[kTrackSlotCount];
    MmlStateList states[kTrackSlotCount];
    SongEventList song;
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
      if (!doc.Track(slot).inUse) continue;
      compiler.Compile(doc.Track(slot).Text(), events[slot], states[slot], doc.StartTickOf(slot),
                       false);
      MergeTrack(song, events[slot], slot);
      EXPECT_EQ(doc.Track(slot).events, events[slot]) << "round " << round << " slot " << slot;
      EXPECT_EQ(doc.Track(slot).states, states[slot]) << "round " << round << " slot " << slot;
    }
    EXPECT_TRUE(std::ranges::equal(doc.SongEvents(), song)) << "round " << round;
    // A one-track edit afterwards merges into the list the load built.
    int32_t edited = doc.TrackOrder()[0];
    doc.SetTrackText(edited, "t200 c8d8e8");
    compiler.Compile(doc.Track(edited).Text(), events[edited], states[edited],
                     doc.StartTickOf(edited), false);
    ReplaceTrack(song, events[edited], edited);
    EXPECT_TRUE(std::ranges::equal(doc.SongEvents(), song)) << "round " << round << " edited";
  }
}

}  // namespace
}  // namespace kore
