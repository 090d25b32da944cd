#pragma once
// The MML writer's working model and its four steps, exposed for the writer's own files and
// its tests. Not part of the public interface.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kore::writer_detail {

// Length code: length value - 1, plus 64 when dotted.
constexpr int32_t LengthCodeOf(int32_t lengthValue, bool dotted) {
  return lengthValue - 1 + (dotted ? 64 : 0);
}
constexpr int32_t kQuarterCode = 3;
constexpr int32_t kNoCode = -1;
constexpr int32_t kLengthCodeCount = 128;

enum class WriterKind : uint8_t { Note, Rest, Tempo, End };

// What the game plays of one compiled record.
struct WriterEvent {
  WriterKind kind = WriterKind::End;
  int32_t tick = 0;
  int32_t length = 0;       // Note, Rest: ticks
  int32_t note = 0;         // Note: MIDI note
  int32_t value = 0;        // Note: volume step; Tempo: tempo
  int32_t lengthValue = 0;  // Note, Rest: 1..64; a note given by number: the number written
  bool dotted = false;
  bool numeric = false;  // Note given by number ("n"): its length is the default in force
  // The editor merges this note into the previous one (an honoured tie): it is written right
  // after "&" with nothing in between.
  bool tied = false;
  int32_t defaultCode = kQuarterCode;  // length code of the default in force when compiled
  int32_t writtenCode = kNoCode;       // default-length command written before the event
};

// Step 1: compiles the text (ticks at 32 per quarter) and keeps the notes, rests, tempos and
// the end. A tie survives only as the `tied` flag of a note the editor really merges.
std::vector<WriterEvent> CollectEvents(std::string_view mml);

// Step 2: joins runs of rests of standard lengths and splits them again into standard rests,
// whole rests regrouped into dotted whole rests.
void NormaliseRests(std::vector<WriterEvent>& events);
// The rests (length value and dotted flag) a run of `ticks` is written as, longest first.
struct RestPiece {
  int32_t lengthValue;
  bool dotted;
};
std::vector<RestPiece> SplitRestTicks(int64_t ticks);

// Step 3 works on the notes and rests only.
struct LengthItem {
  int32_t code = kQuarterCode;  // own length code; for a note given by number the default it needs
  int32_t written = kNoCode;
  bool numeric = false;
  bool note = false;  // a Note (the tie rule moves codes between notes only)
  bool tied = false;
};
void OptimiseLengthCodes(std::vector<LengthItem>& items, int32_t mode);
void PruneLengthCodes(std::vector<LengthItem>& items);
void ApplyTieRule(std::vector<LengthItem>& items);
// Makes sure every note given by number finds its own default in force.
void RepairNumericDefaults(std::vector<LengthItem>& items);
// All of step 3, writing the chosen codes into the events.
void AssignLengthCodes(std::vector<WriterEvent>& events, int32_t mode);

// Step 4: appends the text of the events.
void EmitGameMml(const std::vector<WriterEvent>& events, std::string& out);

}  // namespace kore::writer_detail
