#include "song/extension_block.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/base64.h"
#include "base/bzip2.h"
#include "base/crc32.h"
#include "song/instruments.h"

namespace kore {
namespace {

// Strings are stored as C strings: what follows an embedded NUL never reaches a file.
std::string_view AsCString(std::string_view s) { return s.substr(0, s.find('\0')); }

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 24));
}
void PutI32(std::vector<uint8_t>& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }

uint32_t GetU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }

void BeginRecord(std::vector<uint8_t>& out, ExtensionRecord type, size_t payloadLength) {
  out.push_back(static_cast<uint8_t>(type));
  PutU32(out, static_cast<uint32_t>(payloadLength));
}

// A record of a leading byte and a NUL-terminated string (types 3, 5, 6, 7, 8).
void PutStringRecord(std::vector<uint8_t>& out, ExtensionRecord type, uint8_t lead,
                     std::string_view text) {
  text = AsCString(text);
  BeginRecord(out, type, text.size() + 2);
  out.push_back(lead);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

// The slots of the track order that are in use, in order.
std::vector<int32_t> ListedSlotsInUse(const SongContent& song) {
  std::vector<int32_t> slots;
  for (int32_t entry : song.trackOrder) {
    if (entry < 0 || entry >= kTrackSlotCount) break;
    if (song.slots[entry].inUse) slots.push_back(entry);
  }
  return slots;
}

// The string of a payload from `offset`: up to its NUL, or to the payload end without one.
std::string PayloadString(const uint8_t* payload, size_t length, size_t offset) {
  if (offset >= length) return std::string();
  const char* begin = reinterpret_cast<const char*>(payload + offset);
  size_t available = length - offset;
  const void* nul = std::memchr(begin, 0, available);
  size_t size = nul ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : available;
  return std::string(begin, size);
}

void ApplyRecord(ExtensionRecord type, const uint8_t* p, size_t length, LoadedSong& song) {
  // Records that name a slot carry it in their first byte.
  auto slotOf = [&]() -> int32_t { return length >= 1 ? p[0] : kTrackSlotCount; };
  switch (type) {
    case ExtensionRecord::TrackOrder: {
      song.trackOrder.fill(-1);
      size_t entries = length >= 1 ? std::min<size_t>(length - 1, kTrackSlotCount) : 0;
      for (size_t i = 0; i < entries; ++i) song.trackOrder[i] = p[1 + i];
      song.trackOrderRead = true;
      break;
    }
    case ExtensionRecord::TrackProperties: {
      int32_t slot = slotOf();
      if (length < 16 || slot >= kTrackSlotCount) break;
      TrackProperties& t = song.slots[slot];
      t.volume = p[1];
      t.panpot = p[2];
      t.channel = p[3];
      t.reserved = GetI32(p + 4);
      t.startMarker = GetI32(p + 8);
      t.instrument = InstrumentCodeToIndex(GetI32(p + 12));
      break;
    }
    case ExtensionRecord::TrackName: {
      int32_t slot = slotOf();
      if (slot >= kTrackSlotCount) break;
      song.slots[slot].name = PayloadString(p, length, 1);
      break;
    }
    case ExtensionRecord::TimeBase: {
      if (length < 12) break;
      TimeBase tb{GetI32(p), GetI32(p + 4), GetI32(p + 8)};
      if (tb.ticksPerQuarter <= 0) tb.ticksPerQuarter = 32;
      song.timeBase = WithUsableSignature(tb);
      break;
    }
    case ExtensionRecord::TrackText: {
      int32_t slot = slotOf();
      if (slot >= kTrackSlotCount) break;
      song.slots[slot].inUse = 1;
      StoreTrackText(song.texts[slot], PayloadString(p, length, 1));
      break;
    }
    case ExtensionRecord::Title:
      if (length >= 1) song.title = PayloadString(p, length, 1);
      break;
    case ExtensionRecord::Source:
      if (length >= 1) song.source = PayloadString(p, length, 1);
      break;
    case ExtensionRecord::Memo:
      if (length >= 1) song.memo = PayloadString(p, length, 1);
      break;
    case ExtensionRecord::Marker: {
      if (length < 12) break;
      MidiEvent marker;
      marker.kind = MidiEventKind::Marker;
      marker.tick = GetI32(p + 4);
      marker.value = GetI32(p + 8);
      marker.text = PayloadString(p, length, 12);
      song.markers.push_back(std::move(marker));
      break;
    }
  }
}

}  // namespace

std::vector<uint8_t> BuildRecordStream(const SongContent& song, ExtensionParts parts) {
  std::vector<uint8_t> out;
  size_t estimate = 64;
  if (parts.texts) {
    for (const auto& text : song.texts) estimate += text.size() + 8;
  }
  out.reserve(estimate);
  if (parts.timeBase) {
    BeginRecord(out, ExtensionRecord::TimeBase, 12);
    PutI32(out, song.timeBase.ticksPerQuarter);
    PutI32(out, song.timeBase.beatsPerMeasure);
    PutI32(out, song.timeBase.beatUnit);
  }
  if (parts.info) {
    PutStringRecord(out, ExtensionRecord::Title, 0, song.title);
    PutStringRecord(out, ExtensionRecord::Source, 0, song.source);
    PutStringRecord(out, ExtensionRecord::Memo, 0, song.memo);
  }
  std::vector<uint8_t> order;
  for (int32_t entry : song.trackOrder) {
    if (entry == -1) break;
    order.push_back(static_cast<uint8_t>(entry));
  }
  BeginRecord(out, ExtensionRecord::TrackOrder, 1 + order.size());
  out.push_back(0);
  out.insert(out.end(), order.begin(), order.end());

  const std::vector<int32_t> listed = ListedSlotsInUse(song);
  if (parts.properties) {
    for (int32_t slot : listed) {
      const TrackProperties& t = song.slots[slot];
      BeginRecord(out, ExtensionRecord::TrackProperties, 28);
      out.push_back(static_cast<uint8_t>(slot));
      out.push_back(static_cast<uint8_t>(t.volume));
      out.push_back(static_cast<uint8_t>(t.panpot));
      out.push_back(static_cast<uint8_t>(t.channel));
      PutI32(out, -1);
      PutI32(out, t.startMarker);
      PutI32(out, InstrumentIndexToCode(t.instrument));
      PutI32(out, 0);
      PutI32(out, 0);
      PutI32(out, 0);
      PutStringRecord(out, ExtensionRecord::TrackName, static_cast<uint8_t>(slot), t.name);
    }
  }
  if (parts.texts) {
    for (int32_t slot : listed) {
      PutStringRecord(out, ExtensionRecord::TrackText, static_cast<uint8_t>(slot),
                      song.texts[slot]);
    }
  }
  if (parts.markers) {
    int32_t position = 0;
    for (const MidiEvent& marker : song.markers) {
      std::string_view name = AsCString(marker.text);
      BeginRecord(out, ExtensionRecord::Marker, name.size() + 13);
      PutI32(out, position++);
      PutI32(out, marker.tick);
      PutI32(out, marker.value);
      out.insert(out.end(), name.begin(), name.end());
      out.push_back(0);
    }
  }
  return out;
}

std::vector<uint8_t> BuildExtensionBlock(const SongContent& song, ExtensionParts parts) {
  std::vector<uint8_t> stream = BuildRecordStream(song, parts);
  size_t area = stream.size() <= 512 ? 1024 : stream.size() * 2;
  std::vector<uint8_t> packed;
  uint8_t method = kMethodBzip2;
  if (!Bzip2Compress(stream.data(), stream.size(), area, packed)) {
    method = kMethodStored;
    packed = stream;
  }
  std::vector<uint8_t> block;
  block.reserve(kExtensionHeaderSize + packed.size());
  PutU32(block, static_cast<uint32_t>(stream.size()));
  PutU32(block, Crc32(packed.data(), packed.size()));
  block.push_back(method);
  block.push_back(0);
  block.push_back(0);
  block.push_back(0);
  block.insert(block.end(), packed.begin(), packed.end());
  return block;
}

void WriteExtensionSection(std::string& out, const SongContent& song, ExtensionParts parts) {
  std::string text = Base64Encode(BuildExtensionBlock(song, parts));
  out += "[KORE EXTENSION]\r\n";
  char line[32];
  std::snprintf(line, sizeof line, "c=%" PRIu32 "\r\n", Crc32(text));
  out += line;
  for (size_t pos = 0; pos < text.size(); pos += kExtensionLineLength) {
    out += "d=";
    out.append(text, pos, kExtensionLineLength);
    out += "\r\n";
  }
  out += "\r\n";
}

void ApplyRecordStream(const uint8_t* stream, size_t length, LoadedSong& song) {
  size_t pos = 0;
  while (pos < length) {
    if (length - pos < 5) break;
    auto type = static_cast<ExtensionRecord>(stream[pos]);
    size_t payloadLength = GetU32(stream + pos + 1);
    if (payloadLength > length - pos - 5) break;  // runs past the end: the rest is damaged
    ApplyRecord(type, stream + pos + 5, payloadLength, song);
    pos += 5 + payloadLength;
  }
}

bool ApplyExtensionBlock(const uint8_t* block, size_t length, LoadedSong& song) {
  if (block == nullptr || length < kExtensionHeaderSize) return false;
  if (block[9] != 0) return false;
  const uint8_t* body = block + kExtensionHeaderSize;
  size_t bodyLength = length - kExtensionHeaderSize;
  if (Crc32(body, bodyLength) != GetU32(block + 4)) return false;
  size_t streamLength = GetU32(block);
  if (streamLength > kMaxExtensionStreamLength) return false;
  if (block[8] == kMethodStored) {
    if (bodyLength != streamLength) return false;
    ApplyRecordStream(body, bodyLength, song);
    return true;
  }
  if (block[8] != kMethodBzip2) return false;
  std::vector<uint8_t> stream;
  if (!Bzip2Decompress(body, bodyLength, streamLength, stream)) return false;
  ApplyRecordStream(stream.data(), stream.size(), song);
  return true;
}

bool ApplyExtensionText(std::string_view text, uint32_t expectedCrc, LoadedSong& song) {
  if (Crc32(text) != expectedCrc) return false;
  std::vector<uint8_t> block = Base64Decode(text);
  return ApplyExtensionBlock(block.data(), block.size(), song);
}

}  // namespace kore
