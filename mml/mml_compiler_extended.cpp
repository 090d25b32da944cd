// The extended dialect: case-sensitive, comma-separated and hexadecimal arguments, MIDI
// messages the game cannot play, and the channel directive.
#include <array>
#include <cstring>
#include <span>

#include "mml/mml_compiler_internal.h"

namespace kore::mml_detail {
namespace {

enum ByteClass : uint8_t {
  kIgnored = 0,
  kTieOrStep = 1,
  kCommand = 2,
  kKeyword = 3,
  kArgumentMark = 4,
  kSlash = 5,
};

constexpr std::array<uint8_t, 256> kClasses = [] {
  std::array<uint8_t, 256> table{};
  for (char c : std::string_view("&<>")) table[static_cast<uint8_t>(c)] = kTieOrStep;
  for (char c : std::string_view("@Vabcdefghlnoprtvy~")) table[static_cast<uint8_t>(c)] = kCommand;
  table['E'] = kKeyword;
  for (char c : std::string_view("#+-.")) table[static_cast<uint8_t>(c)] = kArgumentMark;
  table['/'] = kSlash;
  return table;
}();

inline bool EndsArguments(uint8_t b) {
  uint8_t cls = kClasses[b];
  return cls == kTieOrStep || cls == kCommand || cls == kKeyword || cls == kSlash;
}

inline int32_t HexDigitValue(uint8_t b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

constexpr int32_t kInvalid = -2;
constexpr size_t kMaxArguments = 128;

// The argument arrays of the command being read. Only the entries a command touched are
// reset for the next one, so short commands stay cheap.
struct Arguments {
  int32_t values[kMaxArguments];
  bool dotted[kMaxArguments];
  int32_t accidentals[kMaxArguments];
  size_t used = kMaxArguments;  // entries that may differ from the reset state

  void Reset() {
    for (size_t i = 0; i < used; ++i) {
      values[i] = kNoValue;
      dotted[i] = false;
      accidentals[i] = 0;
    }
    used = 1;
  }
  // Index of the argument being read, or kMaxArguments when it is beyond the kept ones.
  size_t Touch(size_t index) {
    if (index >= kMaxArguments) return kMaxArguments;
    if (index + 1 > used) used = index + 1;
    return index;
  }
  int32_t operator[](size_t index) const { return values[index]; }
};

class ExtendedCompiler {
 public:
  ExtendedCompiler(CompileContext& context, std::string_view text) : c_(context), text_(text) {}

  void Run() {
    const size_t size = text_.size();
    for (size_t p = 0; p < size; ++p) {
      uint8_t b = static_cast<uint8_t>(text_[p]);
      if (kCountedBytes[b]) ++c_.characterCount;
      switch (kClasses[b]) {
        case kTieOrStep:
          if (b == '&') {
            c_.AddTie(static_cast<int32_t>(p));
          } else {
            c_.tiePending = false;
            OctaveStep(p, b == '>' ? 1 : -1);
          }
          break;
        case kCommand:
          p = Command(p, b, p);
          break;
        case kKeyword: {
          size_t begin = p;
          bool exclusive = p + 1 < size && text_[p + 1] == 'X';
          if (exclusive) ++p;
          p = Command(p, exclusive ? 'X' : 'E', begin);
          break;
        }
        case kSlash:
          SkipCommentOrDirective(p);
          break;
        default:
          break;
      }
    }
  }

 private:
  // Reads the arguments after `p`, runs the command, and clears a pending tie whether or not
  // the command was accepted. Returns the last byte consumed.
  size_t Command(size_t p, uint8_t command, size_t begin) {
    size_t last = ReadArguments(p);
    CommandSpan span{static_cast<int32_t>(begin), static_cast<int32_t>(last), args_[0]};
    Execute(command, span);
    c_.tiePending = false;
    return last;
  }

  size_t ReadArguments(size_t p) {
    args_.Reset();
    size_t index = 0;
    size_t slot = 0;  // index clamped to the kept arguments
    size_t last = p;
    const size_t size = text_.size();
    size_t q = p + 1;
    while (q < size) {
      uint8_t b = static_cast<uint8_t>(text_[q]);
      if (b >= '0' && b <= '9') {
        if (slot < kMaxArguments && args_.values[slot] != kInvalid) {
          args_.values[slot] = AppendDigit(args_.values[slot], b - '0');
        }
      } else if (EndsArguments(b)) {
        break;
      } else if (b == ',') {
        if (index < kMaxArguments) ++index;
        slot = args_.Touch(index);
      } else if (b == '#' || b == '+' || b == '-') {
        if (slot < kMaxArguments) args_.accidentals[slot] = b == '-' ? -1 : 1;
      } else if (b == '.') {
        if (slot < kMaxArguments) args_.dotted[slot] = true;
      } else if (b == 'x') {
        if (slot >= kMaxArguments || args_.values[slot] == kNoValue || args_.values[slot] == 0) {
          last = q;
          q = ReadHexDigits(q, slot, last);
          continue;
        }
      }
      if (kCountedBytes[b]) ++c_.characterCount;
      last = q;
      ++q;
    }
    return last;
  }

  // Up to two hexadecimal digits after the "x" at `x`; returns the next byte for normal mode.
  // With fewer than two digits the argument keeps the digits read; a byte other than a digit
  // or "," makes it invalid and is then read in normal mode.
  size_t ReadHexDigits(size_t x, size_t slot, size_t& last) {
    size_t q = x + 1;
    for (int digits = 0; digits < 2 && q < text_.size(); ++digits) {
      uint8_t b = static_cast<uint8_t>(text_[q]);
      int32_t digit = HexDigitValue(b);
      if (digit < 0) {
        if (b != ',' && slot < kMaxArguments) args_.values[slot] = kInvalid;
        break;
      }
      if (slot < kMaxArguments && args_.values[slot] != kInvalid) {
        args_.values[slot] = AppendDigit(args_.values[slot], digit, 16);
      }
      last = q;
      ++q;
    }
    return q;
  }

  void Execute(uint8_t command, const CommandSpan& span) {
    const int32_t a0 = args_[0];
    switch (command) {
      case 'a': case 'b': case 'c': case 'd': case 'e': case 'f': case 'g': case 'h':
        LetterNote(command, span);
        break;
      case 'n':
        if (a0 < 0 || a0 > 96) return;
        AddNote(a0 + 12, c_.defaultLength, c_.defaultDotted, a0, span);
        break;
      case 'r': {
        int32_t lengthValue;
        bool dotted;
        if (!c_.ResolveLength(a0, args_.dotted[0], lengthValue, dotted)) return;
        c_.AddRest(c_.TicksOf(lengthValue, dotted), lengthValue, dotted, span);
        break;
      }
      case 'o':
        if (a0 < 0 || a0 > 8) return;
        c_.octave = a0;
        c_.AppendState(MidiEventKind::StateOctave, a0, span);
        break;
      case 'l':
        if (a0 < 1 || a0 > 64) return;
        c_.defaultLength = a0;
        c_.defaultDotted = args_.dotted[0];
        c_.AppendState(MidiEventKind::StateLength, a0, span, args_.dotted[0] ? 1 : 0);
        break;
      case 'v':
        if (a0 < 0 || a0 > 15) return;
        c_.volume = a0;
        c_.AppendState(MidiEventKind::StateVolume, a0, span);
        break;
      case 't':
        if (a0 < 32 || a0 > 300) return;
        c_.MeasureCheck(span);
        c_.AppendEvent(MidiEventKind::Tempo, span).value = a0;
        c_.AppendState(MidiEventKind::StateTempo, a0, span);
        break;
      case '@':
        if (!IsDataByte(a0)) return;
        c_.MeasureCheck(span);
        c_.AppendEvent(MidiEventKind::ProgramChange, span).value = a0;
        break;
      case 'V': ControlChange(7, a0, span); break;
      case 'E': ControlChange(11, a0, span); break;
      case 'p': ControlChange(10, a0, span); break;
      case 'y':
        if (!IsDataByte(a0)) return;
        ControlChange(a0, args_[1], span);
        break;
      case '~': {
        if (!IsDataByte(a0)) return;
        c_.MeasureCheck(span);
        MidiEvent& bend = c_.AppendEvent(MidiEventKind::PitchBend, span);
        bend.value2 = a0;
        bend.value = IsDataByte(args_[1]) ? args_[1] : 0;
        break;
      }
      case 'X': Exclusive(span); break;
      default: break;
    }
  }

  static bool IsDataByte(int32_t value) { return value >= 0 && value <= 127; }

  void LetterNote(uint8_t letter, const CommandSpan& span) {
    int32_t lengthValue;
    bool dotted;
    if (!c_.ResolveLength(args_[0], args_.dotted[0], lengthValue, dotted)) return;
    int32_t note = 12 * (c_.octave + 1) + PitchClassOf(letter) + args_.accidentals[0];
    AddNote(note, lengthValue, dotted, lengthValue, span);
  }

  void AddNote(int32_t note, int32_t lengthValue, bool dotted, int32_t writtenLength,
               const CommandSpan& span) {
    NoteSpec spec;
    spec.note = note;
    spec.ticks = c_.TicksOf(lengthValue, dotted);
    spec.lengthValue = writtenLength;
    spec.dotted = dotted;
    c_.AddNote(spec, span);
  }

  void ControlChange(int32_t controller, int32_t value, const CommandSpan& span) {
    if (!IsDataByte(value)) return;
    c_.MeasureCheck(span);
    MidiEvent& change = c_.AppendEvent(MidiEventKind::ControlChange, span);
    change.value = controller;
    change.value2 = value;
  }

  void Exclusive(const CommandSpan& span) {
    if (args_[0] != 0xF0) return;
    size_t endIndex = 0;
    for (size_t i = 1; i < kMaxArguments; ++i) {
      if (args_[i] == 0xF7) {
        endIndex = i;
        break;
      }
      if (!IsDataByte(args_[i])) return;
    }
    if (endIndex == 0) return;
    c_.MeasureCheck(span);
    MidiEvent& sysex = c_.AppendEvent(MidiEventKind::SysEx, span);
    std::array<uint8_t, kMaxArguments> bytes;
    for (size_t i = 0; i <= endIndex; ++i) bytes[i] = static_cast<uint8_t>(args_[i]);
    sysex.data = std::span<const uint8_t>(bytes.data(), endIndex + 1);
    sysex.value = static_cast<int32_t>(sysex.data.size());
  }

  void OctaveStep(size_t p, int32_t direction) {
    if (direction < 0 ? c_.octave <= 1 : c_.octave >= 8) return;
    c_.octave += direction;
    CommandSpan span{static_cast<int32_t>(p), static_cast<int32_t>(p), 0};
    c_.AppendState(MidiEventKind::StateOctave, c_.octave, span);
  }

  // Moves p to the last byte of a comment; a "//#" line is read as a directive first.
  void SkipCommentOrDirective(size_t& p) {
    const size_t size = text_.size();
    if (p + 1 >= size) return;
    if (text_[p + 1] == '/') {
      const void* lf = std::memchr(text_.data() + p + 2, '\n', size - (p + 2));
      size_t lineEnd = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text_.data()) : size;
      if (p + 2 < lineEnd && text_[p + 2] == '#') Directive(text_.substr(p + 2, lineEnd - (p + 2)));
      p = lf ? lineEnd : size - 1;
    } else if (text_[p + 1] == '*') {
      size_t close = text_.find("*/", p + 2);
      p = close == std::string_view::npos ? size - 1 : close + 1;
    }
  }

  static std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }

  // `line` runs from the "#" to the end of the line, without the LF.
  void Directive(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    size_t keyEnd = line.find('=');
    std::string_view key = TrimBlanks(line.substr(0, keyEnd));
    std::string_view value;
    if (keyEnd != std::string_view::npos) {
      size_t valueBegin = line.find_first_not_of('=', keyEnd);
      if (valueBegin != std::string_view::npos) {
        size_t valueEnd = line.find('=', valueBegin);
        value = TrimBlanks(line.substr(valueBegin, valueEnd - valueBegin));
      }
    }
    if (key != "#using_channel") return;
    int32_t channel = ParseDecimal(value);
    if (channel >= 1 && channel <= 16) c_.channel = channel - 1;
  }

  // Leading digits with an optional sign, like atoi, saturating; 0 when there are none.
  static int32_t ParseDecimal(std::string_view s) {
    bool negative = false;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int32_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) value = AppendDigit(value, s[i] - '0');
    return negative ? -value : value;
  }

  CompileContext& c_;
  std::string_view text_;
  Arguments args_;
};

}  // namespace

void CompileExtendedDialect(CompileContext& context, std::string_view text) {
  ExtendedCompiler(context, text).Run();
}

}  // namespace kore::mml_detail
