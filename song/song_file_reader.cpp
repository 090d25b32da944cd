#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/profile_file.h"
#include "song/extension_block.h"
#include "song/instruments.h"
#include "song/song_file.h"

namespace kore {
namespace {

bool IsLeadForBrackets(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Trims spaces, tabs and ideographic spaces (0x81 0x40) at both ends.
std::string_view TrimValue(std::string_view s) {
  for (;;) {
    if (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
      s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '\x81' && s[1] == '\x40') {
      s.remove_prefix(2);
    } else {
      break;
    }
  }
  for (;;) {
    if (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
      s.remove_suffix(1);
    } else if (s.size() >= 2 && s[s.size() - 2] == '\x81' && s.back() == '\x40') {
      s.remove_suffix(2);
    } else {
      break;
    }
  }
  return s;
}

// "name" followed by a number 1..16 gives that number, else 0.
int32_t NumberedKey(std::string_view key, std::string_view name) {
  if (key.size() <= name.size() || key.substr(0, name.size()) != name) return 0;
  int32_t n = ParseLeadingInt(key.substr(name.size()));
  return (n >= 1 && n <= kTrackSlotCount) ? n : 0;
}

// "channel" / "channelproperty" followed by exactly the decimal number 1..16.
int32_t SectionNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
  std::string_view digits = name.substr(prefix.size());
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
  }
  if (digits.size() > 2 || digits[0] == '0') return 0;
  int32_t n = ParseLeadingInt(digits);
  return (n >= 1 && n <= kTrackSlotCount) ? n : 0;
}

uint32_t ParseLeadingHex(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  uint32_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int digit = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
    if (digit < 0) break;
    v = (v << 4) | static_cast<uint32_t>(digit);
  }
  return v;
}

struct PropertyTable {
  std::array<int32_t, kTrackSlotCount> code;
  std::array<std::string, kTrackSlotCount> name;
  PropertyTable() { code.fill(128); }
};

enum class Section { None, Settings, Channel, ChannelProperty, Extension, Marker };

// Longer section names cannot be any the reader knows; what is past this is not kept.
constexpr size_t kMaxSectionNameBytes = 64;

class SongStreamReader {
 public:
  SongStreamReader(LoadedSong& song, GetByteFunction getByte, void* context,
                   const SongReadOptions& options)
      : song_(song), getByte_(getByte), context_(context), options_(options) {}

  // True when a section only a song file has was seen.
  bool Run() {
    song_.Reset();
    int previous = '\n';
    int b = getByte_(context_);
    while (b >= 0) {
      if (b == '[' && !IsLeadForBrackets(previous)) {
        ReadHeader();
        previous = '\n';
        b = getByte_(context_);
        continue;
      }
      switch (section_) {
        case Section::None:
          break;
        case Section::Channel: {
          std::string& text = song_.texts[sectionSlot_];
          if (text.size() < kMaxTrackTextBytes) text.push_back(static_cast<char>(b));
          break;
        }
        default:
          ReadKeyLine(b);
          previous = '\n';
          b = getByte_(context_);
          continue;
      }
      previous = b;
      b = getByte_(context_);
    }
    if (!songPartSeen_) {
      song_.Reset();
      return false;
    }
    Finish();
    return true;
  }

 private:
  // After "[": the name up to "]" (lower-cased; an LF or the end abandons it), then the rest of
  // the line is skipped.
  void ReadHeader() {
    std::string name;
    int previous = '[';
    for (;;) {
      int b = getByte_(context_);
      if (b < 0 || b == '\n') {
        section_ = Section::None;
        return;
      }
      if (b == ']' && !IsLeadForBrackets(previous)) break;
      if (name.size() < kMaxSectionNameBytes) {
        // The second byte of a double-byte character is never a letter to fold.
        name.push_back(IsLeadForBrackets(previous) ? static_cast<char>(b)
                                                   : Lower(static_cast<char>(b)));
      }
      previous = b;
    }
    for (int b = getByte_(context_); b >= 0 && b != '\n'; b = getByte_(context_)) {
    }
    std::string_view n = name;
    while (!n.empty() && (n.front() == ' ' || n.front() == '\r')) n.remove_prefix(1);
    while (!n.empty() && (n.back() == ' ' || n.back() == '\r')) n.remove_suffix(1);
    if (int32_t k = SectionNumber(n, "channel")) {
      songPartSeen_ = true;
      section_ = Section::Channel;
      sectionSlot_ = k - 1;
      song_.slots[sectionSlot_].inUse = 1;
    } else if (int32_t k = SectionNumber(n, "channelproperty")) {
      section_ = Section::ChannelProperty;
      sectionSlot_ = k - 1;
    } else if (n == "settings") {
      songPartSeen_ = true;
      section_ = Section::Settings;
    } else if (n == "kore extension") {
      songPartSeen_ = true;
      section_ = Section::Extension;
    } else if (n == "marker") {
      section_ = Section::Marker;
    } else {
      section_ = Section::None;
    }
  }

  // One key line starting with `first`, read to LF or the end; CR bytes are dropped.
  void ReadKeyLine(int first) {
    line_.clear();
    for (int b = first; b >= 0 && b != '\n'; b = getByte_(context_)) {
      if (b != '\r') line_.push_back(static_cast<char>(b));
    }
    std::string_view line = line_;
    size_t eq = line.find('=');
    std::string_view rawKey = line.substr(0, eq);
    std::string_view value = eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
    key_.clear();
    bool trail = false;
    for (char c : TrimValue(rawKey)) {
      key_.push_back(trail ? c : Lower(c));
      trail = !trail && IsLeadForBrackets(static_cast<uint8_t>(c));
    }
    value = TrimValue(value);
    if (key_.empty()) return;
    switch (section_) {
      case Section::Settings: SettingsKey(key_, value); break;
      case Section::ChannelProperty: ChannelPropertyKey(key_, value); break;
      case Section::Extension: ExtensionKey(key_, value); break;
      case Section::Marker: MarkerKey(key_, value); break;
      default: break;
    }
  }

  void SettingsKey(std::string_view key, std::string_view value) {
    if (key == "title") {
      song_.title = value;
    } else if (key == "source") {
      song_.source = value;
    } else if (key == "memo") {
      song_.memo = UnescapeMemo(value);
    } else if (key == "timebase") {
      timeBaseRead_ = ParseLeadingInt(value);
    } else if (key == "timesignaturenn") {
      beatsRead_ = ParseLeadingInt(value);
    } else if (key == "timesignaturedd") {
      unitRead_ = ParseLeadingInt(value);
    } else if (key == "ensembleplayer") {
      EnsemblePlayer(value);
    } else if (int32_t n = NumberedKey(key, "instrument")) {
      explicit_.code[n - 1] = ParseLeadingInt(value);
      explicitSeen_ = true;
    } else if (int32_t n = NumberedKey(key, "trackname")) {
      explicit_.name[n - 1] = value;
      explicitSeen_ = true;
    } else if (int32_t n = NumberedKey(key, "volume")) {
      int32_t v = ParseLeadingInt(value);
      if (v >= 0 && v <= 127) song_.slots[n - 1].volume = v;
    } else if (int32_t n = NumberedKey(key, "panpot")) {
      int32_t v = ParseLeadingInt(value);
      if (v >= 0 && v <= 127) song_.slots[n - 1].panpot = v;
    }
  }

  void EnsemblePlayer(std::string_view value) {
    std::array<std::string_view, 5> fields;
    size_t count = 0;
    while (count < 5) {
      size_t comma = count < 4 ? value.find(',') : std::string_view::npos;
      fields[count++] = value.substr(0, comma);
      if (comma == std::string_view::npos) break;
      value.remove_prefix(comma + 1);
    }
    for (size_t i = 1; i < count; ++i) fields[i] = TrimValue(fields[i]);
    if (count < 5) return;
    int32_t instrument = ParseLeadingInt(fields[1]);
    if (instrument < 0 || instrument > 7) return;
    for (size_t i = 2; i < 5; ++i) {
      if (fields[i].empty()) return;
    }
    for (size_t i = 2; i < 5; ++i) {
      int32_t n = ParseLeadingInt(fields[i]);
      if (n < 1 || n > kTrackSlotCount) continue;
      ensemble_.code[n - 1] = 128 + instrument;
      ensemble_.name[n - 1] = fields[0];
    }
  }

  void ChannelPropertyKey(std::string_view key, std::string_view value) {
    TrackProperties& t = song_.slots[sectionSlot_];
    if (key == "name") {
      explicit_.name[sectionSlot_] = value;
      explicitSeen_ = true;
    } else if (key == "patch") {
      explicit_.code[sectionSlot_] = ParseLeadingInt(value);
      explicitSeen_ = true;
    } else if (key == "volume" || key == "panpot") {
      int32_t v = ParseLeadingInt(value);
      if (v >= 0 && v <= 127) (key == "volume" ? t.volume : t.panpot) = v;
    } else if (key == "marker") {
      t.startMarker = ParseLeadingInt(value);
    }
  }

  void ExtensionKey(std::string_view key, std::string_view value) {
    if (key == "c") {
      expectedCrc_ = static_cast<uint32_t>(ParseLeadingInt(value));
    } else if (key == "d") {
      extensionText_.append(value);
      extensionSeen_ = true;
    }
  }

  void MarkerKey(std::string_view key, std::string_view value) {
    if (key != "entry") return;
    MidiEvent marker;
    marker.kind = MidiEventKind::Marker;
    marker.tick = ParseLeadingInt(value);
    size_t comma = value.find(',');
    if (comma != std::string_view::npos) {
      value.remove_prefix(comma + 1);
      marker.value = static_cast<int32_t>(ParseLeadingHex(value));
      comma = value.find(',');
      if (comma != std::string_view::npos) marker.text = value.substr(comma + 1);
    }
    song_.markers.push_back(std::move(marker));
  }

  void Finish() {
    if (timeBaseRead_ >= 32 && timeBaseRead_ <= 960) {
      song_.timeBase = WithUsableSignature(TimeBase{timeBaseRead_, beatsRead_, unitRead_});
    } else {
      song_.timeBase = TimeBase{options_.defaultTicksPerQuarter, 4, 4};
    }
    const PropertyTable& table = explicitSeen_ ? explicit_ : ensemble_;
    for (int32_t slot = 0; slot < kTrackSlotCount; ++slot) {
      song_.slots[slot].name = table.name[slot];
      song_.slots[slot].instrument = InstrumentCodeToIndex(table.code[slot]);
    }
    if (extensionSeen_) ApplyExtensionText(extensionText_, expectedCrc_, song_);
  }

  LoadedSong& song_;
  GetByteFunction getByte_;
  void* context_;
  const SongReadOptions& options_;
  Section section_ = Section::None;
  int32_t sectionSlot_ = 0;
  std::string line_;
  std::string key_;
  int32_t timeBaseRead_ = 0;
  int32_t beatsRead_ = 4;
  int32_t unitRead_ = 4;
  PropertyTable explicit_;
  PropertyTable ensemble_;
  bool explicitSeen_ = false;
  uint32_t expectedCrc_ = 0;
  std::string extensionText_;
  bool extensionSeen_ = false;
  bool songPartSeen_ = false;
};

struct MemoryCursor {
  const uint8_t* pos;
  const uint8_t* end;
};

int MemoryGetByte(void* context) {
  auto* cursor = static_cast<MemoryCursor*>(context);
  return cursor->pos < cursor->end ? *cursor->pos++ : -1;
}

struct FileCursor {
  FILE* file;
  uint8_t buffer[65536];
  size_t size = 0;
  size_t pos = 0;
  bool failed = false;
};

int FileGetByte(void* context) {
  auto* cursor = static_cast<FileCursor*>(context);
  if (cursor->pos == cursor->size) {
    cursor->size = std::fread(cursor->buffer, 1, sizeof cursor->buffer, cursor->file);
    cursor->pos = 0;
    if (cursor->size == 0) {
      if (std::ferror(cursor->file)) cursor->failed = true;
      return -1;
    }
  }
  return cursor->buffer[cursor->pos++];
}

}  // namespace

std::string UnescapeMemo(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      char next = value[i + 1];
      char mapped = next == '\\' ? '\\' : next == 'r' ? '\r' : next == 'n' ? '\n'
                  : next == 't' ? '\t' : 0;
      if (mapped != 0) {
        out.push_back(mapped);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

SongFileResult ReadSongStream(LoadedSong& song, GetByteFunction getByte, void* context,
                              const SongReadOptions& options) {
  bool isSong = SongStreamReader(song, getByte, context, options).Run();
  return isSong ? kSongFileOk : kSongFileNotASong;
}

SongFileResult ReadSongMemory(std::string_view bytes, LoadedSong& song,
                              const SongReadOptions& options) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  MemoryCursor cursor{p, p + bytes.size()};
  return ReadSongStream(song, MemoryGetByte, &cursor, options);
}

SongFileResult ReadSongFile(const std::string& path, LoadedSong& song,
                            const SongReadOptions& options) {
  auto cursor = std::make_unique<FileCursor>();
  cursor->file = std::fopen(path.c_str(), "rb");
  if (cursor->file == nullptr) return kSongFileUnreadable;
  SongFileResult result = ReadSongStream(song, FileGetByte, cursor.get(), options);
  std::fclose(cursor->file);
  if (cursor->failed) {
    song.Reset();
    return kSongFileUnreadable;
  }
  return result;
}

}  // namespace kore
