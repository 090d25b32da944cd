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
    for (size_t j = i + 1; j < list.size() && !closed[i]; ++j) {
      const MidiEvent& off = list[j];
      const bool quiet = off.kind == MidiEventKind::Note && off.value == 0;
      if (removed[j] || off.note != list[i].note || (off.kind != kSmfNoteOff && !quiet)) continue;
      list[i].length = off.tick - list[i].tick;
      closed[i] = removed[j] = true;
    }
  }
  MidiEventList out;
  for (size_t i = 0; i < list.size(); ++i) {
    MidiEvent e = list[i];
    const bool note = e.kind == MidiEventKind::Note;
    if (removed[i] || (note && (!closed[i] || e.length < 0))) continue;
    if (note && e.length == 0 && channel != 9 && !keepZero) continue;
    if (note && e.length == 0 && channel == 9) e.length = unit;
    out.push_back(e);
  }
  list = out;
}

MidiEventList RandomList(std::mt19937& rng, size_t size, int pitches) {
  MidiEventList list(size);
  int32_t tick = 0;
  std::uniform_int_distribution<int> kind(0, 9), pitch(0, pitches - 1), gap(0, 3), step(0, 15);
  for (size_t i = 0; i < size; ++i) {
    MidiEvent& e = list[i];
    e.tick = tick += gap(rng) * 10;
    const int k = kind(rng);
    e.kind = k < 5 ? MidiEventKind::Note : k < 9 ? kSmfNoteOff : MidiEventKind::ControlChange;
    e.value = k == 9 ? 7 : k == 0 ? 0 : step(rng);  // some quiet note-ons that act as note-offs
    if (k < 9) e.SetPitch(60 + pitch(rng));
    e.seq = static_cast<int32_t>(i);  // identifies the record in the comparison
  }
  return list;
}

TEST(SmfPairingTest, MatchesTheForwardSearchOnRandomLists) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 400; ++round) {
    MidiEventList input = RandomList(rng, 1 + static_cast<size_t>(round % 60), 1 + round % 4);
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
