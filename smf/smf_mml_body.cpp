// The MML text of one converted list: notes split into standard lengths, octave steps, and a
// "/*M n*/" comment at the start of every measure (measures of 4/4 in the file's resolution).
#include <cstdint>

#include "base/shift_jis.h"
#include "smf/smf_convert.h"

namespace kore {
namespace {

class BodyWriter {
 public:
  BodyWriter(int32_t ticksPerQuarter, const SmfImportOptions& options, size_t limit)
      : q_(ticksPerQuarter), measureTicks_(static_cast<int64_t>(ticksPerQuarter) * 4),
        options_(options), limit_(limit) {
    if (measureTicks_ < 1) measureTicks_ = 1;
  }

  void Write(const MidiEventList& list) {
    for (const MidiEvent& e : list) {
      if (Full()) break;
      const int32_t measure = MeasureOf(e.tick);
      if (measure != measure_ || out_.size() - lineStart_ > 80 || breakBeforeNext_) {
        NewLine(measure);
      }
      breakBeforeNext_ = false;
      WriteRecord(e);
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  bool Full() const { return out_.size() > limit_; }
  int32_t MeasureOf(int64_t tick) const { return static_cast<int32_t>(tick / measureTicks_); }

  // Texts of several megabytes are written piece by piece: numbers are appended directly.
  void Number(int64_t value) {
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
      digits[n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) out_ += '-';
    while (n > 0) out_ += digits[--n];
  }
  void Command(const char* name, int32_t a) {
    out_ += name;
    Number(a);
  }
  void Command(const char* name, int32_t a, int32_t b) {
    Command(name, a);
    out_ += ',';
    Number(b);
  }
  void HexByte(uint8_t byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out_ += 'x';
    out_ += kHex[byte >> 4];
    out_ += kHex[byte & 15];
  }
  // "/*M %-3d*/  "
  void MeasureComment(int32_t measure) {
    const size_t start = out_.size();
    out_ += "/*M ";
    Number(measure);
    while (out_.size() - start < 7) out_ += ' ';
    out_ += "*/  ";
  }

  void NewLine(int32_t measure) {
    out_ += "\r\n";
    lineStart_ = out_.size();
    MeasureComment(measure);
    measure_ = measure;
    lineHasContent_ = false;
  }

  void WriteRecord(const MidiEvent& e) {
    switch (e.kind) {
      case MidiEventKind::Note:
        WriteNote(e);
        break;
      case MidiEventKind::Rest:
        WriteLength('r', false, e.length, e.tick, false);
        break;
      case MidiEventKind::ProgramChange:
        Command("@", e.value);
        break;
      case MidiEventKind::Tempo:
        Command("t", e.value);
        break;
      case MidiEventKind::ControlChange:
        if (e.value == 7) Command("V", e.value2);
        else Command("y", e.value, e.value2);
        break;
      case MidiEventKind::PitchBend:
        if (e.value == 0) Command("~", e.value2);
        else Command("~", e.value2, e.value);
        break;
      case MidiEventKind::Marker:
        WriteText(e);
        return;
      case MidiEventKind::SysEx:
        WriteSysEx(e);
        return;
      default:
        return;
    }
    lineHasContent_ = true;
  }

  void WriteNote(const MidiEvent& e) {
    if (options_.velocity && e.value != previousVelocity_) {
      Command("v", e.value);
      previousVelocity_ = e.value;
    }
    const int32_t step = e.octave - octave_;
    const int32_t distance = step < 0 ? -step : step;
    if (distance == 1 || (distance == 2 && !firstNote_)) {
      out_.append(static_cast<size_t>(distance), step > 0 ? '>' : '<');
    } else if (distance != 0) {
      Command("o", e.octave);
    }
    octave_ = e.octave;
    firstNote_ = false;
    const char letter = static_cast<char>(e.letter >= 'A' && e.letter <= 'Z' ? e.letter - 'A' + 'a'
                                                                            : e.letter);
    WriteLength(letter, e.sharp != 0, e.length, e.tick, true);
  }

  // Greedy split into whole, dotted half, half ... 64th; the remainder below a 64th is lost.
  void WriteLength(char letter, bool sharp, int64_t length, int64_t tick, bool tied) {
    struct Piece { int64_t ticks; int32_t number; bool dotted; };
    const int64_t q = q_;
    const Piece pieces[13] = {
        {4 * q, 1, false},      {3 * q, 2, true},       {2 * q, 2, false},
        {3 * q / 2, 4, true},   {q, 4, false},          {3 * q / 4, 8, true},
        {q / 2, 8, false},      {3 * q / 8, 16, true},  {q / 4, 16, false},
        {3 * q / 16, 32, true}, {q / 8, 32, false},     {3 * q / 32, 64, true},
        {q / 16, 64, false},
    };
    bool first = true;
    for (const Piece& piece : pieces) {
      if (piece.ticks <= 0) continue;  // a coarse resolution has no such length
      while (length >= piece.ticks) {
        if (Full()) return;
        if (!first && tied) out_ += '&';
        const int32_t measure = MeasureOf(tick);
        if (measure != measure_) {
          if (out_.empty()) {
            lineStart_ = 0;
            MeasureComment(measure);
            measure_ = measure;
          } else {
            NewLine(measure);
          }
        }
        out_ += letter;
        if (sharp) out_ += '+';
        Number(piece.number);
        if (piece.dotted) out_ += '.';
        length -= piece.ticks;
        tick += piece.ticks;
        first = false;
      }
    }
  }

  // Texts and exclusives stand on lines of their own: a text is a line comment.
  void StartFreshLine() {
    if (lineHasContent_) NewLine(measure_);
  }

  void WriteText(const MidiEvent& e) {
    StartFreshLine();
    out_ += "// ";
    const std::string_view text = e.text;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (IsSjisLeadByte(c) && i + 1 < text.size()) {
        out_ += c;
        out_ += text[++i];
        continue;
      }
      if (c == '\r') continue;
      if (c == '\n') {
        NewLine(measure_);
        out_ += "// ";
      } else if (c == '[') {
        out_ += '(';
      } else if (c == ']') {
        out_ += ')';
      } else {
        out_ += c;
      }
    }
    lineHasContent_ = true;
    breakBeforeNext_ = true;
  }

  void WriteSysEx(const MidiEvent& e) {
    StartFreshLine();
    out_ += "EX";
    for (size_t i = 0; i < e.data.size(); ++i) {
      if (i > 0) out_ += ',';
      HexByte(e.data[i]);
    }
    lineHasContent_ = true;
    breakBeforeNext_ = true;
  }

  const int32_t q_;
  int64_t measureTicks_;
  const SmfImportOptions& options_;
  const size_t limit_;
  std::string out_;
  int32_t measure_ = -1;
  int32_t octave_ = 4;
  int32_t previousVelocity_ = -1;
  bool firstNote_ = true;
  size_t lineStart_ = 0;
  bool lineHasContent_ = false;
  bool breakBeforeNext_ = false;
};

}  // namespace

std::string WriteSmfMmlBody(const MidiEventList& list, int32_t ticksPerQuarter,
                            const SmfImportOptions& options, size_t limit) {
  BodyWriter writer(ticksPerQuarter, options, limit);
  writer.Write(list);
  return writer.Take();
}

}  // namespace kore
