#include "mml/game_export.h"

#include <algorithm>
#include <cstdio>

#include "base/shift_jis.h"
#include "mml/mml_compiler.h"
#include "mml/mml_writer.h"

namespace kore {
namespace {

constexpr int32_t kRankCount = 16;
constexpr int32_t kRankLimits[3][kRankCount] = {
    {200, 400, 500, 600, 650, 700, 750, 800, 850, 900, 950, 1000, 1050, 1100, 1150, 1200},
    {100, 200, 200, 250, 250, 300, 300, 350, 400, 400, 450, 500, 550, 600, 700, 800},
    {0, 100, 100, 150, 200, 200, 200, 200, 200, 200, 200, 250, 300, 350, 400, 500},
};
// By rank index + 1: 0 means no rank suffices.
constexpr const char* kRankNames[kRankCount + 1] = {
    "作曲不可能", "練習", "F", "E", "D", "C", "B", "A", "9", "8", "7", "6", "5", "4", "3", "2", "1",
};

bool IsGameCommandByte(uint8_t b) {
  switch (b) {
    case '#':
    case '&':
    case '+':
    case '-':
    case '.':
    case '<':
    case '>':
    case 'l':
    case 'n':
    case 'o':
    case 'r':
    case 't':
    case 'v': return true;
    default: return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'h');
  }
}

uint8_t FoldCase(uint8_t b) { return (b >= 'A' && b <= 'Z') ? static_cast<uint8_t>(b + 32) : b; }

std::string Padded4(int32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%4d", value);
  return buffer;
}

// A lead byte with a trail byte after it: the two make one character.
bool StartsTwoByteCharacter(std::string_view text, size_t i) {
  if (i + 1 >= text.size() || !IsSjisLeadByte(text[i])) return false;
  const uint8_t trail = static_cast<uint8_t>(text[i + 1]);
  return trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

// Position of the "]" closing a "[" whose next byte is at `from`, skipping two-byte characters
// so that a trail byte never counts; npos when there is none.
size_t FindClosingBracket(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (StartsTwoByteCharacter(text, i)) {
      ++i;
      continue;
    }
    if (text[i] == ']') return i;
  }
  return std::string_view::npos;
}

}  // namespace

int32_t MmlCharacterCount(std::string_view mml) {
  CMMLCompiler compiler;
  MidiEventList events;
  MmlStateList states;
  compiler.Compile(mml, events, states, 0, false);
  return events.empty() ? 0 : events.back().value;
}

std::string PlainGameMml(std::string_view mml, bool keepLineBreaks) {
  std::string out;
  out.reserve(mml.size());
  size_t i = 0;
  while (i < mml.size()) {
    const uint8_t b = static_cast<uint8_t>(mml[i]);
    const uint8_t next = i + 1 < mml.size() ? static_cast<uint8_t>(mml[i + 1]) : 0;
    if ((b == '/' && next == '/') || b == ';') {
      // The line end itself (CR LF or LF) may stay.
      size_t end = mml.find('\n', i);
      if (end == std::string_view::npos)
        end = mml.size();
      else if (end > i && mml[end - 1] == '\r')
        --end;
      i = end;
      continue;
    }
    if (b == '/' && next == '*') {
      size_t end = mml.find("*/", i + 2);
      i = end == std::string_view::npos ? mml.size() : end + 2;
      continue;
    }
    if (b == '[') {
      size_t end = FindClosingBracket(mml, i + 1);
      i = end == std::string_view::npos ? i + 1 : end + 1;
      continue;
    }
    if (StartsTwoByteCharacter(mml, i)) {
      // The editor reads the trail byte as a byte of its own; it only never opens a bracket.
      if (IsGameCommandByte(FoldCase(next))) out += static_cast<char>(FoldCase(next));
      i += 2;
      continue;
    }
    if (b == '\r' || b == '\n') {
      if (keepLineBreaks) out += static_cast<char>(b);
    } else if (IsGameCommandByte(FoldCase(b))) {
      out += static_cast<char>(FoldCase(b));
    }
    ++i;
  }
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n')) out.pop_back();
  return out;
}

int32_t GamePartLength(std::string_view part) {
  return static_cast<int32_t>(part.size() -
                              static_cast<size_t>(std::count(part.begin(), part.end(), '\r')) -
                              static_cast<size_t>(std::count(part.begin(), part.end(), '\n')));
}

int32_t RequiredRank(const std::array<int32_t, 3>& lengths) {
  int32_t rank = 0;
  for (int32_t part = 0; part < 3; ++part) {
    const int32_t* row = kRankLimits[part];
    const int32_t* fit =
        std::lower_bound(row, row + kRankCount, lengths[static_cast<size_t>(part)]);
    if (fit == row + kRankCount) return -1;
    rank = std::max(rank, static_cast<int32_t>(fit - row));
  }
  return rank;
}

std::string RankName(int32_t rankIndex) {
  if (rankIndex < 0 || rankIndex >= kRankCount) return Sjis(kRankNames[0]);
  return Sjis(kRankNames[rankIndex + 1]);
}

int32_t RankLimit(int32_t part, int32_t rankIndex) {
  if (part < 0 || part >= 3 || rankIndex < 0 || rankIndex >= kRankCount) return 0;
  return kRankLimits[part][rankIndex];
}

std::array<int32_t, 3> GameExportResult::PartLengths() const {
  std::array<int32_t, 3> lengths{};
  for (size_t n = 0; n < parts.size() && n < lengths.size(); ++n) lengths[n] = parts[n].length;
  return lengths;
}

int32_t BuildGameMml(std::span<const GameExportTrack> tracks, int32_t format, bool optimize,
                     GameExportResult& result) {
  result = GameExportResult{};
  if (tracks.empty() || tracks.size() > kMaxGameParts ||
      (format != kGameFormatGame && format != kGameFormatBoard)) {
    return 0;
  }
  const bool lineBreaks = format == kGameFormatBoard;
  std::vector<int32_t> sortKeys;
  for (size_t t = 0; t < tracks.size(); ++t) {
    GameExportPart part;
    part.track = t;
    part.name = tracks[t].name;
    part.characterCount = MmlCharacterCount(tracks[t].mml);
    std::string plain = PlainGameMml(tracks[t].mml, lineBreaks);
    if (optimize) {
      std::string a, b;
      WriteGameMml(tracks[t].mml, a, kWriterModePlain);
      WriteGameMml(tracks[t].mml, b, kWriterModeDotted);
      const int32_t lengthA = GamePartLength(a), lengthB = GamePartLength(b);
      const int32_t lengthX = GamePartLength(plain);
      // The plain form wins every tie with it, mode 1 a tie with mode 0.
      if (lengthA < lengthB) {
        part.method = lengthA < lengthX ? 'A' : 'X';
        part.text = lengthA < lengthX ? std::move(a) : std::move(plain);
      } else {
        part.method = lengthB < lengthX ? 'B' : 'X';
        part.text = lengthB < lengthX ? std::move(b) : std::move(plain);
      }
      result.methods += part.method;
    } else {
      part.text = std::move(plain);
    }
    part.length = GamePartLength(part.text);
    sortKeys.push_back(optimize ? part.length : part.characterCount);
    result.parts.push_back(std::move(part));
  }
  // Longest first, so the melody (the part the game lets grow longest) is the longest track.
  std::stable_sort(result.parts.begin(), result.parts.end(),
                   [&](const GameExportPart& x, const GameExportPart& y) {
                     return sortKeys[x.track] > sortKeys[y.track];
                   });
  for (const GameExportPart& part : result.parts) result.totalLength += part.length;
  if (result.totalLength == 0) {
    result = GameExportResult{};
    return 0;
  }
  result.rankIndex = RequiredRank(result.PartLengths());

  const char* separator = lineBreaks ? "\r\n,\r\n" : ",";
  result.mml = lineBreaks ? "MML@\r\n" : "MML@";
  for (size_t n = 0; n < result.parts.size(); ++n) {
    if (n > 0) result.mml += separator;
    result.mml += result.parts[n].text;
  }
  result.mml += lineBreaks ? "\r\n;\r\n" : ";";
  return result.totalLength;
}

std::string BoardHeader(std::string_view title, std::string_view source,
                        const GameExportResult& result) {
  const std::array<int32_t, 3> lengths = result.PartLengths();
  char counts[64];
  std::snprintf(counts, sizeof counts, " (%d/%d/%d)", lengths[0], lengths[1], lengths[2]);
  std::string header = Sjis("【曲名】");
  header.append(title);
  header += "\r\n";
  header += Sjis("【出典】");
  header.append(source);
  header += "\r\n";
  header += Sjis("【作曲可能ランク】");
  header += RankName(result.rankIndex);
  header += counts;
  header += "\r\n\r\n";
  return header;
}

std::string GameClipboardText(int32_t format, std::string_view title, std::string_view source,
                              const GameExportResult& result) {
  if (format == kGameFormatBoard) return BoardHeader(title, source, result) + result.mml;
  return result.mml;
}

std::string GameExportMessage(int32_t format, bool optimize, const GameExportResult& result) {
  static constexpr const char* kLabels[3] = {"Melody  : ", "Chord 1 : ", "Chord 2 : "};
  std::string message =
      Sjis(format == kGameFormatBoard
               ? "したらば形式(MML@改行あり)で以下のとおりに出力しました。     　　\n\n"
               : "Elvara(MML@)形式で以下のとおりに出力しました。     　　\n\n");
  if (optimize) {
    message += Sjis("圧縮メソッド : ");
    message += result.methods;
    message += "\n\n";
  }
  for (size_t n = 0; n < result.parts.size() && n < 3; ++n) {
    const GameExportPart& part = result.parts[n];
    message += kLabels[n];
    message += Padded4(part.characterCount);
    if (optimize) {
      message += Sjis(" → ");
      message += Padded4(part.length);
    }
    message += Sjis(" 文字 [");
    message += part.name;
    message += "]\n";
  }
  message += Sjis("\n必要作曲ランク : ");
  message += RankName(result.rankIndex);
  return message;
}

std::string ElvaraMmlClipboardText(std::string_view songFileBytes) {
  if (songFileBytes.empty()) return {};
  return std::string(songFileBytes.substr(0, songFileBytes.size() - 1));
}

std::string FormatDescription(int32_t format) {
  switch (format) {
    case kGameFormatGame:
      return Sjis(
          "MML@<メロディ>,<和音1>,<和音2>;\nの形式で出力します。\n"
          "Elvaraの楽譜スクロールにそのまま貼り付け可能です。");
    case kGameFormatBoard:
      return Sjis(
          "【曲名】<曲名>\n【出典】<出展>\n【作曲可能ランク】<作曲ランク>\nMML@\n<メロディ>\n"
          ",\n<和音1>\n,\n<和音2>\n;\nの形式で出力します。");
    case kGameFormatElvaraMml:
      return Sjis("ElvaraMMLの形式で出力します。\r\nすべてのトラックが出力対象です。");
    default: return {};
  }
}

std::string TrackListItem(int32_t characterCount, std::string_view name) {
  std::string item = Padded4(characterCount);
  item += Sjis("文字 : ");
  item.append(name);
  return item;
}

ExportStatus ExportStatusFor(int32_t format, std::span<const int32_t> selectedCharacterCounts) {
  if (format == kGameFormatElvaraMml) return {Sjis("すべてのトラックが出力されます。"), true};
  if (selectedCharacterCounts.empty()) return {Sjis("トラックを3つまで選択して下さい。"), false};
  if (selectedCharacterCounts.size() > kMaxGameParts) {
    return {Sjis("トラックが4つ以上選択されています。"), false};
  }
  std::vector<int32_t> counts(selectedCharacterCounts.begin(), selectedCharacterCounts.end());
  std::sort(counts.begin(), counts.end(), std::greater<>());
  std::array<int32_t, 3> lengths{};
  std::copy(counts.begin(), counts.end(), lengths.begin());
  return {Sjis("必要作曲ランク : ") + RankName(RequiredRank(lengths)), true};
}

std::string ElvaraMmlExportedMessage() { return Sjis("ElvaraMML形式で出力しました。"); }
std::string TitleCopiedMessage() { return Sjis("曲名をコピーしました。"); }
std::string TrackNameCopiedMessage() { return Sjis("トラック名をコピーしました。"); }
std::string InstrumentCopiedMessage() { return Sjis("楽器名をコピーしました。"); }

TrackSelection::TrackSelection(int32_t itemCount) : itemCount_(std::max(itemCount, 0)) {
  for (int32_t item = 0; item < itemCount_ && item < static_cast<int32_t>(kMaxGameParts); ++item) {
    order_.push_back(item);
  }
}

void TrackSelection::Toggle(int32_t item) {
  if (item < 0 || item >= itemCount_) return;
  auto found = std::find(order_.begin(), order_.end(), item);
  if (found != order_.end()) {
    order_.erase(found);
    return;
  }
  order_.push_back(item);
  // The clicked item is last, so the earliest selected go first.
  while (order_.size() > kMaxGameParts) order_.erase(order_.begin());
}

void TrackSelection::Reset() { order_.clear(); }

bool TrackSelection::IsSelected(int32_t item) const {
  return std::find(order_.begin(), order_.end(), item) != order_.end();
}

std::vector<int32_t> TrackSelection::Selected() const {
  std::vector<int32_t> selected = order_;
  std::sort(selected.begin(), selected.end());
  return selected;
}

}  // namespace kore
