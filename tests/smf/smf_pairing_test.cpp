#include <gtest/gtest.h>

#include <random>

#include "smf/smf_convert.h"
#include "smf/smf_reader.h"

namespace kore {
namespace {

// The pairing rule as worded: each Note, in list order, searches forward for the first
// remaining note-off of its pitch. Quadratic, and the yardstick for the fast version.
void PairNotesReference(MidiEventList& list, int32_t channel, int32_t unit, bool keepZero) {
  std::vector<bool> removed(list.size(), false), closed(list.size(), false);
  for (size_t i = 0; i < list.size(); ++i) {
    if (removed[i] || list[i].kind != MidiEventKind::Note) continue;
    for (size_t j = i + 1; j < list.size(); ++j) {
      const MidiEvent& off = list[j];
      const bool closes =
          off.kind == kSmfNoteOff || (off.kind == MidiEventKind::Note && off.value == 0);
      if (!removed[j] && closes && off.note == list[i].note) {
        list[i].length = off.tick - list[i].tick;
        closed[i] = true;
        removed[j] = true;
        break;
      }
    }
  }
  MidiEventList out;
  for (size_t i = 0; i < list.size(); ++i) {
    if (removed[i]) continue;
    MidiEvent e = list[i];
    if (e.kind == MidiEventKind::Note) {
      if (!closed[i] || e.length < 0) continue;
      if (e.length == 0) {
        if (channel == 9)
          e.length = unit;
        else if (!keepZero)
          continue;
      }
    }
    out.push_back(e);
  }
  list = out;
}

MidiEventList RandomList(std::mt19937& rng, size_t size, int pitches) {
  MidiEventList list;
  int32_t tick = 0;
  std::uniform_int_distribution<int> kind(0, 9), pitch(0, pitches - 1), gap(0, 3), step(0, 15);
  for (size_t i = 0; i < size; ++i) {
    tick += gap(rng) * 10;
    MidiEvent e;
    e.tick = tick;
    const int k = kind(rng);
    if (k < 5) {
      e.kind = MidiEventKind::Note;
      e.value = k == 0 ? 0 : step(rng);  // some quiet note-ons that act as note-offs
    } else if (k < 9) {
      e.kind = kSmfNoteOff;
    } else {
      e.kind = MidiEventKind::ControlChange;
      e.value = 7;
    }
    if (e.kind != MidiEventKind::ControlChange) e.SetPitch(60 + pitch(rng));
    e.seq = static_cast<int32_t>(i);  // identifies the record in the comparison
    list.push_back(e);
  }
  return list;
}

TEST(SmfPairingTest, MatchesTheForwardSearchOnRandomLists) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 400; ++round) {
    const size_t size = 1 + static_cast<size_t>(round % 60);
    const int pitches = 1 + round % 4;
    MidiEventList input = RandomList(rng, size, pitches);
    const int32_t channel = round % 3 == 0 ? 9 : 0;
    const bool keepZero = round % 2 == 0;
    MidiEventList fast = input, reference = input;
    PairNotes(fast, channel, 60, keepZero);
    PairNotesReference(reference, channel, 60, keepZero);
    ASSERT_EQ(fast, reference) << "round " << round;
  }
}

}  // namespace
}  // namespace kore
