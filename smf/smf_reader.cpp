#include "smf/smf_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kore {

size_t SmfInput::Take(size_t count, const uint8_t** bytes) {
  size_t n = std::min(count, Remaining());
  *bytes = data_ + pos_;
  pos_ += n;
  return n;
}

SmfInput SmfInput::Split(size_t count) {
  const uint8_t* bytes = nullptr;
  size_t n = Take(count, &bytes);
  return SmfInput(bytes, n);
}

namespace {

uint32_t BigEndian(const uint8_t* p, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | p[i];
  return value;
}

// Meta text up to its first NUL, as the program always held it in a NUL-terminated buffer.
std::string MetaText(const uint8_t* bytes, size_t size) {
  const void* nul = std::memchr(bytes, 0, size);
  size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - bytes) : size;
  return std::string(reinterpret_cast<const char*>(bytes), n);
}

MidiEvent MakeRecord(MidiEventKind kind, int64_t tick, int32_t channel) {
  MidiEvent e;
  e.kind = kind;
  e.tick = static_cast<int32_t>(tick);
  e.channel = channel;
  return e;
}

}  // namespace

int ReadSmfHeader(SmfInput& in, SmfHeader& header) {
  const uint8_t* p = nullptr;
  if (in.Take(14, &p) < 14) return kSmfShortRead;
  if (std::memcmp(p, "MThd", 4) != 0) return kSmfBadChunkId;
  uint32_t length = BigEndian(p + 4, 4);
  uint32_t format = BigEndian(p + 8, 2);
  if (length != 6 || format > 2) return kSmfBadHeader;
  header.format = static_cast<int32_t>(format);
  header.trackCount = static_cast<int32_t>(BigEndian(p + 10, 2));
  header.division = static_cast<int32_t>(BigEndian(p + 12, 2));
  return kSmfOk;
}

int ReadTrackHeader(SmfInput& in, uint32_t& length) {
  const uint8_t* p = nullptr;
  if (in.Take(8, &p) < 8) return kSmfShortRead;
  if (std::memcmp(p, "MTrk", 4) != 0) return kSmfBadChunkId;
  length = BigEndian(p + 4, 4);
  return kSmfOk;
}

int ReadVarLen(SmfInput& in, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t byte = 0;
    if (!in.ReadByte(byte)) return 2;
    value = (value << 7) | (byte & 0x7F);
    if ((byte & 0x80) == 0) return kSmfOk;
  }
  return kSmfVarLenTooLong;
}

void ReadTrack(SmfInput& chunk, std::vector<MidiEventList>& lists, int32_t chunkIndex,
               SmfChunkInfo& info, SmfImportJob& job) {
  const SmfImportOptions& options = job.options;
  const bool byChannel = job.format == 0;
  int64_t tick = 0;
  uint8_t runningStatus = 0;
  // Records without a channel of their own (metas, SysEx) follow the last channel seen.
  int32_t channel = 0;
  bool sawName = false;

  auto listFor = [&](int32_t ch) -> MidiEventList* {
    size_t index = static_cast<size_t>(byChannel ? ch : chunkIndex);
    return index < lists.size() ? &lists[index] : nullptr;
  };
  auto append = [&](MidiEvent&& e) {
    if (MidiEventList* list = listFor(e.channel)) list->push_back(std::move(e));
  };

  while (!chunk.AtEnd()) {
    uint32_t delta = 0;
    if (ReadVarLen(chunk, delta) != kSmfOk) return;
    tick += delta;
    if (tick > kSmfMaxTick) return;
    uint8_t status = 0;
    if (!chunk.ReadByte(status)) return;
    if (status < 0x80) {
      // A data byte before any status byte has nothing to repeat: drop it.
      if (runningStatus == 0) continue;
      chunk.Unread();
      status = runningStatus;
    }

    if (status < 0xF0) {
      runningStatus = status;
      channel = status & 0x0F;
      if (info.firstChannel < 0) info.firstChannel = channel;
      const uint8_t type = status & 0xF0;
      uint8_t d1 = 0, d2 = 0;
      if (!chunk.ReadByte(d1)) return;
      if (type != 0xC0 && type != 0xD0 && !chunk.ReadByte(d2)) return;
      d1 &= 0x7F;
      d2 &= 0x7F;
      switch (type) {
        case 0x80:
        case 0x90: {
          const bool on = type == 0x90 && d2 > 0;
          MidiEvent e = MakeRecord(on ? MidiEventKind::Note : kSmfNoteOff, tick, channel);
          e.SetPitch(d1);
          e.value = d2 * 15 / 127;
          e.value2 = d2;
          append(std::move(e));
          break;
        }
        case 0xB0:
          if (options.controlChange) {
            MidiEvent e = MakeRecord(MidiEventKind::ControlChange, tick, channel);
            e.value = d1;
            e.value2 = d2;
            append(std::move(e));
          }
          break;
        case 0xC0:
          if (options.programChange) {
            MidiEvent e = MakeRecord(MidiEventKind::ProgramChange, tick, channel);
            e.value = d1;
            append(std::move(e));
          }
          break;
        case 0xE0:
          if (options.pitchBend) {
            MidiEvent e = MakeRecord(MidiEventKind::PitchBend, tick, channel);
            e.value = d1;
            e.value2 = d2;
            append(std::move(e));
          }
          break;
        default:  // key pressure, channel pressure
          break;
      }
      continue;
    }

    if (status == 0xF0 || status == 0xF7) {
      uint32_t length = 0;
      if (ReadVarLen(chunk, length) != kSmfOk) return;
      const uint8_t* bytes = nullptr;
      size_t n = chunk.Take(length, &bytes);
      if (options.sysEx) {
        MidiEvent e = MakeRecord(MidiEventKind::SysEx, tick, channel);
        // An F0 packet is the message without its status; an F7 packet is raw bytes.
        std::vector<uint8_t> message;
        message.reserve(n + 1);
        if (status == 0xF0) message.push_back(0xF0);
        message.insert(message.end(), bytes, bytes + n);
        e.data = message;
        e.value = static_cast<int32_t>(e.data.size());
        append(std::move(e));
      }
      continue;
    }

    if (status == 0xFF) {
      uint8_t type = 0;
      if (!chunk.ReadByte(type)) return;
      uint32_t length = 0;
      if (ReadVarLen(chunk, length) != kSmfOk) return;
      const uint8_t* bytes = nullptr;
      size_t n = chunk.Take(length, &bytes);
      switch (type) {
        case 0x01: case 0x04: case 0x05: case 0x06: case 0x07:
          if (options.midiText) {
            MidiEvent e = MakeRecord(MidiEventKind::Marker, tick, channel);
            e.text = MetaText(bytes, n);
            append(std::move(e));
          }
          break;
        case 0x02:
          job.copyright = MetaText(bytes, n);
          break;
        case 0x03:
          info.name = MetaText(bytes, n);
          if (chunkIndex == 0 && !sawName && job.title.empty()) job.title = info.name;
          sawName = true;
          break;
        case 0x21:
          if (n >= 1) info.port = bytes[0];
          break;
        case 0x2F:
          return;
        case 0x51:
          if (n >= 3) {
            uint32_t micros = BigEndian(bytes, 3);
            if (micros > 0) {
              MidiEvent e = MakeRecord(MidiEventKind::Tempo, tick, channel);
              e.value = static_cast<int32_t>(60000000u / micros);
              append(std::move(e));
            }
          }
          break;
        default:
          break;
      }
      continue;
    }

    // Other system messages carry no record.
    uint8_t skipped = 0;
    if (status == 0xF1 || status == 0xF3) {
      if (!chunk.ReadByte(skipped)) return;
    } else if (status == 0xF2) {
      if (!chunk.ReadByte(skipped) || !chunk.ReadByte(skipped)) return;
    }
  }
}

namespace {

std::string DisplayName(const SmfChunkInfo& info) {
  if (info.firstChannel < 0) return "--- " + info.name;
  char prefix[16];
  char port = info.port >= 0 && info.port <= 25 ? static_cast<char>('A' + info.port) : '?';
  std::snprintf(prefix, sizeof prefix, "%c%02u ", port, static_cast<unsigned>(info.firstChannel + 1));
  return prefix + info.name;
}

}  // namespace

int ReadSmf(const uint8_t* data, size_t size, SmfImportJob& job,
            std::vector<MidiEventList>& lists) {
  job.title.clear();
  job.copyright.clear();
  job.trackNames.clear();
  job.chunks.clear();
  lists.clear();

  SmfInput in(data, size);
  SmfHeader header;
  if (int code = ReadSmfHeader(in, header); code != kSmfOk) return code;
  job.format = header.format;
  job.trackCount = header.trackCount;
  job.ticksPerQuarter = header.division < 1 ? 32 : header.division;

  // One list per declared chunk, but no more than the chunks (8 bytes each at least) the rest
  // of the file could hold: lists beyond them would stay empty anyway.
  const size_t possibleChunks = in.Remaining() / 8;
  const size_t listCount = std::max<size_t>(
      16, std::min(static_cast<size_t>(header.trackCount), possibleChunks));
  lists.assign(listCount, {});
  job.trackNames.assign(listCount, {});

  for (int32_t chunkIndex = 0; chunkIndex < header.trackCount && !in.AtEnd(); ++chunkIndex) {
    uint32_t length = 0;
    if (int code = ReadTrackHeader(in, length); code != kSmfOk) return code;
    SmfInput chunk = in.Split(length);
    if (job.format != 0) {
      // A channel event takes three bytes at least with its delta (two in running status, but
      // then usually beside longer ones): enough room without growing, bounded by the data.
      lists[static_cast<size_t>(chunkIndex)].reserve(chunk.Remaining() / 3);
    }
    SmfChunkInfo info;
    ReadTrack(chunk, lists, chunkIndex, info, job);
    info.displayName = DisplayName(info);
    if (job.format == 0) {
      std::fill(job.trackNames.begin(), job.trackNames.end(), info.name);
    } else {
      job.trackNames[static_cast<size_t>(chunkIndex)] = info.name;
    }
    job.chunks.push_back(std::move(info));
  }
  return kSmfOk;
}

bool ReadSmfFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  // Read as a stream rather than sized up front: a directory or a device reports no usable size.
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  uint8_t buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

int ListSmfTracksFromBytes(const uint8_t* data, size_t size, SmfImportJob& job,
                           std::vector<SmfSourceLine>& lines) {
  lines.clear();
  std::vector<MidiEventList> lists;
  if (int code = ReadSmf(data, size, job, lists); code != kSmfOk) return code;
  char buffer[64];
  if (job.format == 0) {
    for (int32_t ch = 0; ch < 16; ++ch) {
      if (lists[static_cast<size_t>(ch)].empty()) continue;
      std::snprintf(buffer, sizeof buffer, "%2d : A%02d", ch + 1, ch + 1);
      lines.push_back({ch, buffer});
    }
  } else {
    for (size_t i = 0; i < job.chunks.size(); ++i) {
      std::snprintf(buffer, sizeof buffer, "%2d : ", static_cast<int>(i + 1));
      lines.push_back({static_cast<int32_t>(i), buffer + job.chunks[i].displayName});
    }
  }
  return kSmfOk;
}

int ListSmfTracks(const std::string& path, SmfImportJob& job, std::vector<SmfSourceLine>& lines) {
  std::vector<uint8_t> bytes;
  if (!ReadSmfFileBytes(path, bytes)) return kSmfOpenFailed;
  return ListSmfTracksFromBytes(bytes.data(), bytes.size(), job, lines);
}

}  // namespace kore
