// The game's own MML: case-insensitive, one optional number per command.
#include <bit>
#include <cstring>

#include "mml/mml_compiler_internal.h"

namespace kore::mml_detail {
namespace {

constexpr std::array<uint8_t, 256> kFolded = [] {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    table[static_cast<size_t>(b)] =
        static_cast<uint8_t>((b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b);
  }
  return table;
}();

inline uint8_t Fold(char c) { return kFolded[static_cast<uint8_t>(c)]; }

// What a byte means to the argument reader (case-folded).
enum ReaderClass : uint8_t { kOther, kDigit, kAccidental, kDot, kStop };

constexpr std::array<uint8_t, 256> kReaderClasses = [] {
  std::array<uint8_t, 256> table{};
  for (char c = '0'; c <= '9'; ++c) table[static_cast<uint8_t>(c)] = kDigit;
  for (char c : std::string_view("#+-")) table[static_cast<uint8_t>(c)] = kAccidental;
  table['.'] = kDot;
  for (char c : std::string_view("&/;<>abcdefghlnortvABCDEFGHLNORTV")) {
    table[static_cast<uint8_t>(c)] = kStop;
  }
  return table;
}();

struct Argument {
  int32_t value = kNoValue;
  bool dotted = false;
  int32_t accidental = 0;  // -1 "-", 0 none, 1 "+", 2 "#"
  size_t last = 0;         // offset of the last byte consumed
};

constexpr std::array<int8_t, 256> kAccidentalCodes = [] {
  std::array<int8_t, 256> table{};
  table['-'] = -1;
  table['+'] = 1;
  table['#'] = 2;
  return table;
}();

enum Phase { kBefore, kDigits, kAfter };

// The byte-by-byte reader, from `q` in `phase`, for what the usual shape below does not cover.
Argument ReadArgumentFrom(std::string_view text, size_t q, Phase phase, Argument argument) {
  for (; q < text.size(); ++q) {
    auto b = static_cast<uint8_t>(text[q]);
    switch (kReaderClasses[b]) {
      case kDigit:
        if (phase == kAfter) return argument;
        phase = kDigits;
        argument.value = AppendDigit(argument.value, b - '0');
        break;
      case kAccidental:
        if (phase != kBefore) return argument;  // an accidental after the digits is not ours
        argument.accidental = kAccidentalCodes[b];
        break;
      case kDot:
        argument.dotted = true;
        phase = kAfter;
        break;
      case kStop:
        return argument;
      default:
        if (phase == kDigits) phase = kAfter;
        break;
    }
    argument.last = q;
  }
  return argument;
}

// Reads the argument after the command byte at `command`. White space and unknown bytes
// between and after the parts are consumed, so a command's span runs up to the next command.
// Nearly every argument has the shape [accidental][up to four digits][.] followed by the next
// command or the end; that shape is read from an 8-byte window with table lookups and no
// branch per byte, which a varied text would mispredict at nearly every byte. Any other shape
// continues in the byte loop from the state reached, so both give the same result.
inline Argument ReadArgument(std::string_view text, size_t command) {
  const size_t from = command + 1;
  const size_t available = text.size() - from;
  unsigned char window[8];
  if (available >= sizeof window) {
    std::memcpy(window, text.data() + from, sizeof window);
  } else {
    // Past the end reads as a command byte: the argument stops there as it does at the end.
    std::memset(window, 'a', sizeof window);
    std::memcpy(window, text.data() + from, available);
  }
  uint64_t word;
  std::memcpy(&word, window, sizeof word);
  // Bit 7 of each byte set where the byte is '0'..'9': its low bits, XORed with '0', are below
  // ten and its top bit clear. The additions never carry into the next byte.
  constexpr uint64_t kOnes = 0x0101010101010101;
  const uint64_t offset = word ^ (kOnes * '0');
  const uint64_t digitFlags =
      ~(((offset & (kOnes * 0x7F)) + kOnes * (0x80 - 10)) | offset) & (kOnes * 0x80);
  const int8_t accidentalCode = kAccidentalCodes[window[0]];
  const unsigned accidental = accidentalCode != 0 ? 1 : 0;
  const uint64_t stops = (~digitFlags & (kOnes * 0x80)) >> (8 * accidental);
  const unsigned run = static_cast<unsigned>(std::countr_zero(stops)) / 8;
  const unsigned digits = run < 4 ? run : 4;
  // Place values by digit count; the bytes past the digits get a weight of 0. Selects here
  // would be compiled into branches that mispredict.
  static constexpr int32_t kWeights[5][4] = {
      {0, 0, 0, 0}, {1, 0, 0, 0}, {10, 1, 0, 0}, {100, 10, 1, 0}, {1000, 100, 10, 1}};
  int32_t value = 0;
  for (unsigned k = 0; k < 4; ++k) {
    value += kWeights[digits][k] * (window[accidental + k] - '0');
  }
  // Four digits may go on: the byte after them is then a digit, neither a dot nor a blank nor
  // a stop, and the byte loop reads on.
  unsigned end = accidental + digits;
  const bool dotted = kReaderClasses[window[end]] == kDot;
  end += dotted ? 1 : 0;

  // Blanks (every byte up to ' ' is one) after the shape belong to it in every phase when the
  // next command follows them.
  const uint64_t blankFlags =
      ~(((word & (kOnes * 0x7F)) + kOnes * (0x80 - 0x21)) | word) & (kOnes * 0x80);
  const uint64_t notBlank = (~blankFlags & (kOnes * 0x80)) >> (8 * end);
  const unsigned blanks = static_cast<unsigned>(std::countr_zero(notBlank)) / 8;

  Argument argument;
  argument.value = value - int32_t{digits == 0};  // kNoValue without digits
  argument.dotted = dotted;
  argument.accidental = accidentalCode;
  if (end + blanks < sizeof window && kReaderClasses[window[end + blanks]] == kStop) {
    argument.last = command + end + blanks;
    return argument;
  }
  argument.last = command + end;
  const Phase phase = dotted ? kAfter : (digits > 0 ? kDigits : kBefore);
  return ReadArgumentFrom(text, from + end, phase, argument);
}

int32_t AccidentalOffset(int32_t accidental) {
  static constexpr int32_t kOffsets[4] = {-1, 0, 1, 1};  // "-", none, "+", "#"
  return kOffsets[accidental + 1];
}

// Upper-case letter, accidental as written, length value, "." when dotted ('C+8.', 'N48'),
// packed in memory order. Built without a branch on the parts present: which of them a note
// has varies from one note to the next.
struct PackedText {
  uint64_t bytes;
  uint8_t size;
};

PackedText PackNoteText(uint8_t letter, int32_t accidental, int32_t number, bool dotted) {
  // number is a length value 1..64 or a note number 0..96: one or two digits.
  static constexpr uint8_t kAccidentalBytes[4] = {'-', 0, '+', '#'};
  uint64_t bytes = static_cast<uint8_t>(letter - ('a' - 'A'));
  unsigned size = 1;
  const auto put = [&](uint64_t byte, bool present) {
    bytes |= byte * uint64_t{present} << (8 * size);
    size += unsigned{present};
  };
  put(kAccidentalBytes[accidental + 1], accidental != 0);
  const auto value = static_cast<unsigned>(number);
  put('0' + value / 10, value >= 10);
  put('0' + value % 10, true);
  put('.', dotted);
  return {bytes, static_cast<uint8_t>(size)};
}

class GameCompiler {
 public:
  GameCompiler(CompileContext& context, std::string_view text) : c_(context), text_(text) {}

  void Run() {
    const size_t size = text_.size();
    for (size_t p = 0; p < size; ++p) {
      uint8_t b = Fold(text_[p]);
      bool keepsTie = false;
      switch (b) {
        case '\t': case '\n': case '\r': case ' ':
          keepsTie = true;
          break;
        case 0x81:
          if (p + 1 < size && static_cast<uint8_t>(text_[p + 1]) == 0x40) {
            ++p;  // full-width space
            keepsTie = true;
          }
          break;
        case '/':
          keepsTie = SkipComment(p);
          break;
        case '&':
          c_.AddTie(static_cast<int32_t>(p));
          keepsTie = true;
          break;
        case 'a': case 'b': case 'c': case 'd': case 'e': case 'f': case 'g': case 'h':
          p = LetterNote(p, b);
          break;
        case 'n': p = NumberNote(p); break;
        case 'r': p = Rest(p); break;
        case 'o': p = Octave(p); break;
        case '<':
        case '>':
          OctaveStep(p, b == '>' ? 1 : -1);
          break;
        case 'l': p = DefaultLength(p); break;
        case 't': p = Tempo(p); break;
        case 'v': p = Volume(p); break;
        default: break;
      }
      if (!keepsTie) c_.tiePending = false;
    }
  }

 private:
  // On "//" or "/*": moves p to the comment's last byte and returns true. The character count
  // started from every counted byte of the text, so those inside the comment come off it.
  bool SkipComment(size_t& p) {
    if (p + 1 >= text_.size()) return false;
    size_t last;
    if (text_[p + 1] == '/') {
      const void* lf = std::memchr(text_.data() + p + 2, '\n', text_.size() - (p + 2));
      last = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text_.data()) : text_.size() - 1;
    } else if (text_[p + 1] == '*') {
      size_t close = text_.find("*/", p + 2);
      last = close == std::string_view::npos ? text_.size() - 1 : close + 1;
    } else {
      return false;
    }
    for (size_t q = p + 2; q <= last; ++q) {
      c_.characterCount -= kCountedBytes[static_cast<uint8_t>(text_[q])] ? 1 : 0;
    }
    p = last;
    return true;
  }

  CommandSpan Span(size_t p, const Argument& argument) const {
    return CommandSpan{static_cast<int32_t>(p), static_cast<int32_t>(argument.last), 0};
  }

  size_t LetterNote(size_t p, uint8_t letter) {
    Argument argument = ReadArgument(text_, p);
    int32_t lengthValue;
    bool dotted;
    if (!c_.ResolveLength(argument.value, argument.dotted, lengthValue, dotted)) return argument.last;
    const PackedText display = PackNoteText(letter, argument.accidental, lengthValue, dotted);
    NoteSpec spec;
    spec.note = 12 * (c_.octave + 1) + PitchClassOf(letter) + AccidentalOffset(argument.accidental);
    spec.ticks = c_.TicksOf(lengthValue, dotted);
    spec.lengthValue = lengthValue;
    spec.dotted = dotted;
    spec.markOutOfRange = true;
    spec.displayBytes = display.bytes;
    spec.displaySize = display.size;
    c_.AddNote(spec, Span(p, argument));
    return argument.last;
  }

  size_t NumberNote(size_t p) {
    Argument argument = ReadArgument(text_, p);
    if (argument.value < 0 || argument.value > 96) return argument.last;
    const PackedText display = PackNoteText('n', 0, argument.value, false);
    NoteSpec spec;
    spec.note = argument.value + 12;
    // A number note always takes the default length; a dot written after it has no effect.
    spec.ticks = c_.TicksOf(c_.defaultLength, c_.defaultDotted);
    spec.lengthValue = argument.value;
    spec.dotted = c_.defaultDotted;
    spec.numeric = true;
    spec.markOutOfRange = true;
    spec.displayBytes = display.bytes;
    spec.displaySize = display.size;
    c_.AddNote(spec, Span(p, argument));
    return argument.last;
  }

  size_t Rest(size_t p) {
    Argument argument = ReadArgument(text_, p);
    int32_t lengthValue;
    bool dotted;
    if (!c_.ResolveLength(argument.value, argument.dotted, lengthValue, dotted)) return argument.last;
    c_.AddRest(c_.TicksOf(lengthValue, dotted), lengthValue, dotted, Span(p, argument));
    return argument.last;
  }

  size_t Octave(size_t p) {
    Argument argument = ReadArgument(text_, p);
    if (argument.value < 0 || argument.value > 8) return argument.last;
    c_.octave = argument.value;
    c_.AppendState(MidiEventKind::StateOctave, c_.octave, Span(p, argument));
    return argument.last;
  }

  void OctaveStep(size_t p, int32_t direction) {
    if (direction < 0 ? c_.octave <= 1 : c_.octave >= 8) return;
    c_.octave += direction;
    CommandSpan span{static_cast<int32_t>(p), static_cast<int32_t>(p), 0};
    c_.AppendState(MidiEventKind::StateOctave, c_.octave, span);
  }

  size_t DefaultLength(size_t p) {
    Argument argument = ReadArgument(text_, p);
    if (argument.value < 1 || argument.value > 64) return argument.last;
    c_.defaultLength = argument.value;
    c_.defaultDotted = argument.dotted;
    c_.AppendState(MidiEventKind::StateLength, c_.defaultLength, Span(p, argument),
                   argument.dotted ? 1 : 0);
    return argument.last;
  }

  size_t Tempo(size_t p) {
    Argument argument = ReadArgument(text_, p);
    if (argument.value < 32 || argument.value > 255) return argument.last;
    CommandSpan span = Span(p, argument);
    c_.MeasureCheck(span);
    c_.AppendEvent(MidiEventKind::Tempo, span).value = argument.value;
    c_.AppendState(MidiEventKind::StateTempo, argument.value, span);
    return argument.last;
  }

  size_t Volume(size_t p) {
    Argument argument = ReadArgument(text_, p);
    if (argument.value < 0 || argument.value > 15) return argument.last;
    c_.volume = argument.value;
    c_.AppendState(MidiEventKind::StateVolume, c_.volume, Span(p, argument));
    return argument.last;
  }

  CompileContext& c_;
  std::string_view text_;
};

}  // namespace

void CompileGameDialect(CompileContext& context, std::string_view text) {
  GameCompiler(context, text).Run();
}

}  // namespace kore::mml_detail
