#include <cstdio>

#include "base/profile_file.h"
#include "song/extension_block.h"
#include "song/instruments.h"
#include "song/song_file.h"

namespace kore {
namespace {

// The lead-byte range the bracket rule and the reader use (wider than strict Shift-JIS).
bool IsLeadForBrackets(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE); }

// A value on a key line may not carry a line break: the rest of it would become lines of its
// own (a section header, say) on reading. Such breaks are written as spaces.
void AppendLineValue(std::string& out, std::string_view value) {
  for (char c : value) out.push_back((c == '\r' || c == '\n') ? ' ' : c);
}

void AppendKey(std::string& out, const char* key, std::string_view value) {
  out += key;
  out += '=';
  AppendLineValue(out, value);
  out += "\r\n";
}

void AppendInt(std::string& out, const char* format, int32_t a, int32_t b = 0) {
  char line[64];
  std::snprintf(line, sizeof line, format, a, b);
  out += line;
}

// The track text with every "[...]" span of a line removed; a "[" without "]" later on its
// line is kept with the rest of that line.
void AppendTrackText(std::string& out, std::string_view text) {
  const size_t n = text.size();
  auto prevIsLead = [&](size_t i) {
    return i > 0 && IsLeadForBrackets(static_cast<uint8_t>(text[i - 1]));
  };
  size_t i = 0;
  while (i < n) {
    char c = text[i];
    if (c != '[' || prevIsLead(i)) {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t close = std::string_view::npos;
    size_t j = i + 1;
    for (; j < n && text[j] != '\n'; ++j) {
      if (text[j] == ']' && !prevIsLead(j)) {
        close = j;
        break;
      }
    }
    if (close != std::string_view::npos) {
      i = close + 1;
      continue;
    }
    // No "]": the rest of the line and its line end go out unchanged.
    size_t lineEnd = j < n ? j + 1 : n;
    out.append(text, i, lineEnd - i);
    i = lineEnd;
  }
}

}  // namespace

SaveMode SaveModeOf(bool compatible1900, bool compact) {
  if (compatible1900) return SaveMode::Compatible;
  return compact ? SaveMode::Compact : SaveMode::Plain;
}

std::string EscapeMemo(std::string_view memo) {
  std::string out;
  out.reserve(memo.size() + 8);
  for (char c : memo) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

void WriteSongFile(std::string& out, const SongContent& song, SaveMode mode) {
  size_t estimate = 4096;
  for (const auto& text : song.texts) estimate += text.size();
  out.reserve(out.size() + estimate);

  std::vector<int32_t> listed;
  for (int32_t entry : song.trackOrder) {
    if (entry < 0 || entry >= kTrackSlotCount) break;
    if (song.slots[entry].inUse) listed.push_back(entry);
  }

  out += "[Settings]\r\n";
  AppendKey(out, "Title", song.title);
  AppendKey(out, "Source", song.source);
  AppendKey(out, "Memo", EscapeMemo(song.memo));
  if (mode != SaveMode::Compact) {
    AppendInt(out, "TimeBase=%d\r\n", song.timeBase.ticksPerQuarter);
    AppendInt(out, "TimeSignatureNN=%d\r\n", song.timeBase.beatsPerMeasure);
    AppendInt(out, "TimeSignatureDD=%d\r\n", song.timeBase.beatUnit);
  }
  if (mode == SaveMode::Compatible) {
    for (int32_t slot : listed) {
      AppendInt(out, "Instrument%d=%d\r\n", slot + 1,
                InstrumentIndexToCode(song.slots[slot].instrument));
    }
    for (int32_t slot : listed) {
      AppendInt(out, "TrackName%d=", slot + 1);
      AppendLineValue(out, song.slots[slot].name);
      out += "\r\n";
    }
  }
  out += "\r\n";

  for (int32_t slot : listed) {
    const TrackProperties& t = song.slots[slot];
    if (mode == SaveMode::Plain) {
      AppendInt(out, "[ChannelProperty%d]\r\n", slot + 1);
      AppendKey(out, "Name", t.name);
      AppendInt(out, "Patch=%d\r\n", InstrumentIndexToCode(t.instrument));
      AppendInt(out, "Volume=%d\r\n", t.volume);
      AppendInt(out, "Panpot=%d\r\n", t.panpot);
      AppendInt(out, "Marker=%d\r\n", t.startMarker);
    }
    AppendInt(out, "[Channel%d]\r\n", slot + 1);
    std::string_view text = song.texts[slot];
    text = text.substr(0, text.find('\0'));
    AppendTrackText(out, text);
    if (!text.empty() && text.back() != '\n') out += "\r\n";
  }

  if (mode == SaveMode::Plain && !song.markers.empty()) {
    out += "[Marker]\r\n";
    for (const MidiEvent& marker : song.markers) {
      char head[48];
      std::snprintf(head, sizeof head, "entry=%d,%x,", marker.tick,
                    static_cast<unsigned>(marker.value));
      out += head;
      AppendLineValue(out, std::string_view(marker.text).substr(0, marker.text.find('\0')));
      out += "\r\n";
    }
  }

  ExtensionParts parts;
  if (mode != SaveMode::Plain) {
    parts.properties = true;
    parts.timeBase = true;
    parts.markers = true;
  }
  WriteExtensionSection(out, song, parts);
}

SongFileResult SaveSongFile(const std::string& path, const SongContent& song, SaveMode mode) {
  std::string bytes;
  WriteSongFile(bytes, song, mode);
  return WriteFileAtomically(path, bytes) == 0 ? kSongFileOk : kSongFileUnreadable;
}

SongFileResult SaveSongFile(const std::string& path, const CMMLDocument& document,
                            SaveMode mode) {
  return SaveSongFile(path, ContentOf(document), mode);
}

}  // namespace kore
