#include "mml/mml_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "mml/mml_compiler.h"
#include "mml/mml_writer_internal.h"

namespace kore {
namespace writer_detail {
namespace {

constexpr TimeBase kWriterTimeBase{32, 4, 4};
constexpr int32_t kWholeTicks = 128;
constexpr int32_t kMaxGameTempo = 255;

bool IsStandardRestLength(int32_t lengthValue) {
  switch (lengthValue) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 32:
    case 64: return true;
    default: return false;
  }
}

// The length value and dot a note or rest is written with. The record's own fields are
// trusted when they give its length; otherwise (a note by number in the extended dialect
// carries the number there) the default in force, and failing that any length that fits.
RestPiece ResolveLength(const MidiEvent& event) {
  auto fits = [&](int32_t lengthValue, bool dotted) {
    return lengthValue >= 1 && lengthValue <= 64 &&
           kWriterTimeBase.TicksOfLength(lengthValue, dotted) == event.length;
  };
  if (fits(event.lengthValue, event.dotted != 0)) return {event.lengthValue, event.dotted != 0};
  if (fits(event.defaultLength, event.defaultDotted != 0)) {
    return {event.defaultLength, event.defaultDotted != 0};
  }
  for (int32_t lengthValue = 1; lengthValue <= 64; ++lengthValue) {
    for (bool dotted : {false, true}) {
      if (fits(lengthValue, dotted)) return {lengthValue, dotted};
    }
  }
  return {std::clamp(event.lengthValue, 1, 64), event.dotted != 0};
}

int32_t DefaultCodeOf(const MidiEvent& event) {
  int32_t length = std::clamp<int32_t>(event.defaultLength, 1, 64);
  return LengthCodeOf(length, event.defaultDotted != 0);
}

void AppendNumber(std::string& out, int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace

std::vector<WriterEvent> CollectEvents(std::string_view mml) {
  CMMLCompiler compiler(kWriterTimeBase);
  MmlStateList states;
  // A note the editor merges leaves no record of its own when ties are merged; the ones that
  // stand are known by where their command begins. Only those offsets are kept, so a long text
  // never holds two compiled lists at once.
  std::vector<int32_t> standing;
  {
    MidiEventList merged;
    compiler.Compile(mml, merged, states, 0, false);
    for (const MidiEvent& event : merged) {
      if (event.kind == MidiEventKind::Note) standing.push_back(event.textBegin);
    }
  }
  MidiEventList kept;
  compiler.Compile(mml, kept, states, 0, true);

  std::vector<WriterEvent> events;
  events.reserve(kept.size());
  size_t nextStanding = 0;
  for (const MidiEvent& event : kept) {
    WriterEvent out;
    out.tick = event.tick;
    out.defaultCode = DefaultCodeOf(event);
    switch (event.kind) {
      case MidiEventKind::Note: {
        while (nextStanding < standing.size() && standing[nextStanding] < event.textBegin) {
          ++nextStanding;
        }
        bool stands = nextStanding < standing.size() && standing[nextStanding] == event.textBegin;
        out.kind = WriterKind::Note;
        out.length = event.length;
        out.note = event.note;
        out.value = event.value;
        out.numeric = event.numericNote != 0;
        out.tied = !stands;
        if (out.numeric) {
          out.lengthValue = event.lengthValue;
          out.dotted = event.defaultDotted != 0;
        } else {
          RestPiece length = ResolveLength(event);
          out.lengthValue = length.lengthValue;
          out.dotted = length.dotted;
        }
        break;
      }
      case MidiEventKind::Rest: {
        RestPiece length = ResolveLength(event);
        out.kind = WriterKind::Rest;
        out.length = event.length;
        out.lengthValue = length.lengthValue;
        out.dotted = length.dotted;
        break;
      }
      case MidiEventKind::Tempo:
        out.kind = WriterKind::Tempo;
        // The extended dialect allows up to 300; the game stops at 255 and would skip more.
        out.value = std::min(event.value, kMaxGameTempo);
        break;
      case MidiEventKind::EndOfTrack: out.kind = WriterKind::End; break;
      default: continue;  // ties live on as the `tied` flag; the game has no other kinds
    }
    events.push_back(out);
  }
  return events;
}

std::vector<RestPiece> SplitRestTicks(int64_t ticks) {
  std::vector<RestPiece> pieces;
  if (ticks <= 0) return pieces;
  // Standard rests are even except the dotted 64th (3 ticks): an odd run needs exactly one.
  bool odd = ticks % 2 != 0 && ticks >= 3;
  if (odd) ticks -= 3;
  int64_t wholes = ticks / kWholeTicks;
  ticks %= kWholeTicks;
  int64_t dottedWholes = 0;
  if (wholes >= 6) {
    // Six wholes make four dotted wholes, every further three make two more.
    dottedWholes = 4 + 2 * ((wholes - 6) / 3);
    wholes = (wholes - 6) % 3;
  }
  pieces.reserve(static_cast<size_t>(dottedWholes + wholes) + 8);
  pieces.insert(pieces.end(), static_cast<size_t>(dottedWholes), RestPiece{1, true});
  pieces.insert(pieces.end(), static_cast<size_t>(wholes), RestPiece{1, false});
  for (int32_t lengthValue = 2; lengthValue <= 64; lengthValue *= 2) {
    int32_t pieceTicks = kWholeTicks / lengthValue;
    if (ticks >= pieceTicks) {
      pieces.push_back({lengthValue, false});
      ticks -= pieceTicks;
    }
  }
  if (odd) pieces.push_back({64, true});
  return pieces;
}

void NormaliseRests(std::vector<WriterEvent>& events) {
  std::vector<WriterEvent> out;
  out.reserve(events.size());
  bool pending = false;
  int64_t pendingTick = 0;
  int64_t pendingTicks = 0;
  int32_t pendingDefault = kQuarterCode;

  // The joined rests go back where the run ended, in front of the event that ended it, so
  // nothing moves relative to the notes and tempos around it.
  auto flush = [&] {
    if (!pending) return;
    int64_t tick = pendingTick;
    for (const RestPiece& piece : SplitRestTicks(pendingTicks)) {
      WriterEvent rest;
      rest.kind = WriterKind::Rest;
      rest.tick = static_cast<int32_t>(tick);
      rest.length = kWriterTimeBase.TicksOfLength(piece.lengthValue, piece.dotted);
      rest.lengthValue = piece.lengthValue;
      rest.dotted = piece.dotted;
      rest.defaultCode = pendingDefault;
      out.push_back(rest);
      tick += rest.length;
    }
    pending = false;
  };

  for (const WriterEvent& event : events) {
    if (event.kind == WriterKind::Rest && IsStandardRestLength(event.lengthValue)) {
      if (pending) {
        pendingTicks += event.length;
      } else {
        pending = true;
        pendingTick = event.tick;
        pendingTicks = event.length;
        pendingDefault = event.defaultCode;
      }
      continue;
    }
    flush();
    out.push_back(event);
  }
  flush();
  events.swap(out);
}

namespace {

struct EmitState {
  int32_t length = 4;
  bool dotted = false;
  int32_t octave = 4;
  int32_t volume = 8;
  bool firstOctaveChangePending = true;
};

int32_t OctaveOf(int32_t note) { return note / 12 - 1; }

void WriteLengthCommand(int32_t code, EmitState& state, std::string& out) {
  if (code == kNoCode) return;
  bool dotted = code >= 64;
  int32_t length = dotted ? code - 63 : code + 1;
  if (length == state.length && dotted == state.dotted) return;
  out += 'l';
  AppendNumber(out, length);
  if (dotted) out += '.';
  state.length = length;
  state.dotted = dotted;
}

void WriteLengthPart(int32_t lengthValue, bool dotted, const EmitState& state, std::string& out) {
  if (lengthValue == state.length) {
    if (state.dotted) {
      if (!dotted) AppendNumber(out, lengthValue);
    } else if (dotted) {
      out += '.';
    }
    return;
  }
  AppendNumber(out, lengthValue);
  if (dotted) out += '.';
}

// Writes "o<target>" when `byCommand`, otherwise one step per octave.
void MoveOctave(int32_t target, bool byCommand, EmitState& state, std::string& out) {
  // "<" does nothing at octave 1, so octave 0 is only reached by "o0".
  if (byCommand || target == 0) {
    out += 'o';
    AppendNumber(out, target);
  } else {
    char step = target > state.octave ? '>' : '<';
    out.append(static_cast<size_t>(std::abs(target - state.octave)), step);
  }
  state.octave = target;
}

void WriteLetterNote(const WriterEvent& note, const WriterEvent* next, EmitState& state,
                     std::string& out) {
  static constexpr char kLetters[12] = {'c', 'c', 'd', 'd', 'e', 'f', 'f', 'g', 'g', 'a', 'a', 'b'};
  static constexpr bool kSharp[12] = {false, true,  false, true,  false, false,
                                      true,  false, true,  false, true,  false};
  const int32_t octave = OctaveOf(note.note);
  const int32_t pitchClass = ((note.note % 12) + 12) % 12;
  const int32_t nextOctave = next ? OctaveOf(next->note) : 0;

  char letter = kLetters[pitchClass];
  const char* accidental = kSharp[pitchClass] ? "+" : "";
  int32_t target = octave;
  bool spelledAcross = false;  // B sharp or C flat, written from the neighbouring octave
  if (octave > 8) {
    // Note 120 has no octave command of its own: it is the B sharp of octave 8.
    letter = 'b', accidental = "+", target = 8, spelledAcross = true;
  } else if (octave < 0) {
    // Note 11 is the C flat of octave 0.
    letter = 'c', accidental = "-", target = 0, spelledAcross = true;
  } else if (pitchClass == 0 && octave > state.octave && next && octave - nextOctave >= 1 &&
             octave - nextOctave <= 2) {
    letter = 'b', accidental = "+", target = octave - 1, spelledAcross = true;
  } else if (pitchClass == 11 && octave < state.octave && next && nextOctave - octave >= 1 &&
             nextOctave - octave <= 2) {
    letter = 'c', accidental = "-", target = octave + 1, spelledAcross = true;
  }

  if (target != state.octave) {
    int32_t distance = std::abs(target - state.octave);
    if (spelledAcross) {
      MoveOctave(target, distance > 2, state, out);
    } else {
      MoveOctave(target, distance >= 3 || (distance == 2 && state.firstOctaveChangePending), state,
                 out);
      state.firstOctaveChangePending = false;
    }
  }
  if (note.tied) out += '&';
  out += letter;
  out += accidental;
  WriteLengthPart(note.lengthValue, note.dotted, state, out);
}

}  // namespace

void EmitGameMml(const std::vector<WriterEvent>& events, std::string& out) {
  // The next Note after each event, for the B sharp and C flat spellings.
  std::vector<int32_t> nextNote(events.size(), -1);
  for (size_t i = events.size(), following = static_cast<size_t>(-1); i-- > 0;) {
    nextNote[i] = static_cast<int32_t>(following);
    if (events[i].kind == WriterKind::Note) following = i;
  }

  EmitState state;
  for (size_t i = 0; i < events.size(); ++i) {
    const WriterEvent& event = events[i];
    switch (event.kind) {
      case WriterKind::Note: {
        // Everything a note needs goes before its "&": any command between the tie and the
        // note would clear the tie.
        if (event.value != state.volume) {
          out += 'v';
          AppendNumber(out, event.value);
          state.volume = event.value;
        }
        WriteLengthCommand(event.writtenCode, state, out);
        if (event.numeric) {
          if (event.tied) out += '&';
          out += 'n';
          AppendNumber(out, event.lengthValue);
        } else {
          const WriterEvent* next =
              nextNote[i] >= 0 ? &events[static_cast<size_t>(nextNote[i])] : nullptr;
          WriteLetterNote(event, next, state, out);
        }
        break;
      }
      case WriterKind::Rest:
        WriteLengthCommand(event.writtenCode, state, out);
        out += 'r';
        WriteLengthPart(event.lengthValue, event.dotted, state, out);
        break;
      case WriterKind::Tempo:
        out += 't';
        AppendNumber(out, event.value);
        break;
      case WriterKind::End: break;
    }
  }
}

}  // namespace writer_detail

int32_t WriteGameMml(std::string_view mml, std::string& out, int32_t mode) {
  using namespace writer_detail;
  const size_t before = out.size();
  std::vector<WriterEvent> events = CollectEvents(mml);
  NormaliseRests(events);
  AssignLengthCodes(events, mode == kWriterModeDotted ? kWriterModeDotted : kWriterModePlain);
  EmitGameMml(events, out);
  return static_cast<int32_t>(out.size() - before);
}

}  // namespace kore
