// The game's own MML: case-insensitive, one optional number per command.
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

// Reads the argument after the command byte at `command`. White space and unknown bytes
// between and after the parts are consumed, so a command's span runs up to the next command.
Argument ReadArgument(std::string_view text, size_t command) {
  enum Phase { kBefore, kDigits, kAfter };
  Argument argument;
  argument.last = command;
  Phase phase = kBefore;
  for (size_t q = command + 1; q < text.size(); ++q) {
    auto b = static_cast<uint8_t>(text[q]);
    switch (kReaderClasses[b]) {
      case kDigit:
        if (phase == kAfter) return argument;
        phase = kDigits;
        argument.value = AppendDigit(argument.value, b - '0');
        break;
      case kAccidental:
        if (phase != kBefore) return argument;  // an accidental after the digits is not ours
        argument.accidental = b == '#' ? 2 : (b == '+' ? 1 : -1);
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

int32_t AccidentalOffset(int32_t accidental) {
  return accidental < 0 ? -1 : (accidental > 0 ? 1 : 0);
}

// Upper-case letter, accidental as written, length value, "." when dotted ('C+8.', 'N48').
size_t FormatNoteText(char* out, uint8_t letter, int32_t accidental, int32_t number, bool dotted) {
  size_t n = 0;
  out[n++] = static_cast<char>(letter - ('a' - 'A'));
  if (accidental == -1) out[n++] = '-';
  if (accidental == 1) out[n++] = '+';
  if (accidental == 2) out[n++] = '#';
  char digits[12];
  size_t count = 0;
  uint32_t rest = static_cast<uint32_t>(number);
  do {
    digits[count++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  while (count > 0) out[n++] = digits[--count];
  if (dotted) out[n++] = '.';
  return n;
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
    char display[24];
    size_t displaySize = FormatNoteText(display, letter, argument.accidental, lengthValue, dotted);
    NoteSpec spec;
    spec.note = 12 * (c_.octave + 1) + PitchClassOf(letter) + AccidentalOffset(argument.accidental);
    spec.ticks = c_.TicksOf(lengthValue, dotted);
    spec.lengthValue = lengthValue;
    spec.dotted = dotted;
    spec.markOutOfRange = true;
    spec.displayText = std::string_view(display, displaySize);
    c_.AddNote(spec, Span(p, argument));
    return argument.last;
  }

  size_t NumberNote(size_t p) {
    Argument argument = ReadArgument(text_, p);
    if (argument.value < 0 || argument.value > 96) return argument.last;
    char display[24];
    size_t displaySize = FormatNoteText(display, 'n', 0, argument.value, false);
    NoteSpec spec;
    spec.note = argument.value + 12;
    // A number note always takes the default length; a dot written after it has no effect.
    spec.ticks = c_.TicksOf(c_.defaultLength, c_.defaultDotted);
    spec.lengthValue = argument.value;
    spec.dotted = c_.defaultDotted;
    spec.numeric = true;
    spec.markOutOfRange = true;
    spec.displayText = std::string_view(display, displaySize);
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
