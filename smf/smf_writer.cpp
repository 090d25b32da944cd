#include "smf/smf_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <span>

#include "base/shift_jis.h"
#include "song/instruments.h"

namespace kore {
namespace {

constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;

class ChunkWriter {
 public:
  explicit ChunkWriter(std::vector<uint8_t>& out) : out_(out) {
    const uint8_t id[] = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
    out_.insert(out_.end(), id, id + 8);
    start_ = out_.size();
  }

  // One event at an absolute file time. An event whose delta does not fit a four-byte
  // quantity is left out; a time before the last written one is written at that last time.
  void Event(int64_t time, std::initializer_list<uint8_t> bytes) {
    if (!Delta(time)) return;
    out_.insert(out_.end(), bytes);
  }
  void Meta(int64_t time, uint8_t type, const std::string& data) {
    if (!Delta(time)) return;
    out_.push_back(0xFF);
    out_.push_back(type);
    VarLen(static_cast<uint32_t>(data.size()));
    out_.insert(out_.end(), data.begin(), data.end());
  }
  void SysEx(int64_t time, std::span<const uint8_t> data) {
    if (data.empty() || data.size() - 1 > kMaxVarLen || !Delta(time)) return;
    out_.push_back(0xF0);
    VarLen(static_cast<uint32_t>(data.size() - 1));
    out_.insert(out_.end(), data.begin() + 1, data.end());
  }
  void Finish() {
    const uint8_t end[] = {0x00, 0xFF, 0x2F, 0x00};
    out_.insert(out_.end(), end, end + 4);
    const size_t length = out_.size() - start_;
    for (int i = 0; i < 4; ++i) out_[start_ - 4 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
  }

 private:
  bool Delta(int64_t time) {
    int64_t delta = std::max<int64_t>(0, time - last_);
    if (delta > kMaxVarLen) return false;
    VarLen(static_cast<uint32_t>(delta));
    last_ += delta;
    return true;
  }
  void VarLen(uint32_t value) {
    uint8_t groups[4];
    int n = 0;
    do {
      groups[n++] = value & 0x7F;
      value >>= 7;
    } while (value != 0 && n < 4);
    while (n-- > 0) out_.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
  }

  std::vector<uint8_t>& out_;
  size_t start_ = 0;
  int64_t last_ = 0;
};

uint8_t Data7(int32_t value) { return static_cast<uint8_t>(value & 0x7F); }

struct PendingOff {
  int64_t time;
  uint8_t channel, note, velocity;
};

// Writes one list's records by the event rules, shifted by the lead-in.
class EventWriter {
 public:
  EventWriter(ChunkWriter& chunk, int64_t leadIn) : chunk_(chunk), leadIn_(leadIn) {}

  // A track's list or the merged song list.
  template <typename Records>
  void Write(const Records& list) {
    for (const MidiEvent& e : list) Write(e);
  }

  void Write(const MidiEvent& e) {
    const int64_t time = static_cast<int64_t>(e.tick) + leadIn_;
    while (!pending_.empty() && pending_.front().time <= time) {
      const PendingOff& off = pending_.front();
      chunk_.Event(off.time, {static_cast<uint8_t>(0x80 | off.channel), off.note, off.velocity});
      pending_.pop_front();
    }
    const uint8_t ch = static_cast<uint8_t>(e.channel & 15);
    switch (e.kind) {
      case MidiEventKind::Note: {
        const uint8_t note = Data7(e.note);
        const uint8_t velocity = Data7(e.value * 127 / 15);
        chunk_.Event(time, {static_cast<uint8_t>(0x90 | ch), note, velocity});
        AddPending({time + e.length, ch, note, velocity});
        break;
      }
      case MidiEventKind::ProgramChange:
        chunk_.Event(time, {static_cast<uint8_t>(0xC0 | ch), Data7(e.value)});
        break;
      case MidiEventKind::Tempo:
        if (e.value > 0) {
          // Below 4 per minute the period no longer fits three bytes: use the slowest.
          const uint32_t micros = std::min<uint32_t>(60000000u / static_cast<uint32_t>(e.value),
                                                     0xFFFFFF);
          chunk_.Meta(time, 0x51, {static_cast<char>(micros >> 16), static_cast<char>(micros >> 8),
                                   static_cast<char>(micros)});
        }
        break;
      case MidiEventKind::ControlChange:
        chunk_.Event(time, {static_cast<uint8_t>(0xB0 | ch), Data7(e.value), Data7(e.value2)});
        break;
      case MidiEventKind::PitchBend:
        chunk_.Event(time, {static_cast<uint8_t>(0xE0 | ch), Data7(e.value), Data7(e.value2)});
        break;
      case MidiEventKind::SysEx:
        chunk_.SysEx(time, e.data);
        break;
      default:
        break;
    }
  }

 private:
  void AddPending(const PendingOff& off) {
    // After the pending ones of the same time; most notes end after all pending ones.
    auto at = pending_.end();
    while (at != pending_.begin() && std::prev(at)->time > off.time) --at;
    pending_.insert(at, off);
  }

  ChunkWriter& chunk_;
  int64_t leadIn_;
  std::deque<PendingOff> pending_;
};

uint8_t Log2BeatUnit(int32_t beatUnit) {
  switch (beatUnit) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    default: return 2;
  }
}

bool StartsExtended(const MidiEventList& list) {
  return !list.empty() && list.front().kind == MidiEventKind::ExtensionStart;
}

void AppendBig(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> BuildSmf(const SmfExportRequest& request) {
  const int32_t slotCount = std::clamp(request.slotCount, 0, kTrackSlotCount);
  const bool format0 = request.format == 0;
  bool extended = false;
  int32_t highest = -1;
  for (int32_t t = 0; t < slotCount; ++t) {
    if (StartsExtended(request.Track(t))) extended = true;
    if (!request.Track(t).empty()) highest = t;
  }
  const int32_t chunkCount = format0 ? 1 : highest + 1;
  const TimeBase& tb = request.timeBase;
  const int64_t measure =
      tb.beatUnit != 0 ? static_cast<int64_t>(tb.beatsPerMeasure) * tb.ticksPerQuarter * 4 / tb.beatUnit
                       : 0;
  // A measure shorter than a quarter (1/8, 3/16 ...) would give a negative lead-in and pull the
  // first notes before the start of the file, where they would collapse to nothing.
  const int64_t leadIn =
      std::max<int64_t>(0, format0 || extended ? measure : measure - tb.ticksPerQuarter);

  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBig(out, format0 ? 0 : 1, 2);
  AppendBig(out, static_cast<uint32_t>(chunkCount), 2);
  AppendBig(out, static_cast<uint32_t>(tb.ticksPerQuarter), 2);

  auto headerMetas = [&](ChunkWriter& chunk) {
    chunk.Meta(0, 0x58, {static_cast<char>(tb.beatsPerMeasure), static_cast<char>(Log2BeatUnit(tb.beatUnit)),
                         0x18, 0x08});
    chunk.Meta(0, 0x03, request.title.empty() ? Sjis("無題") : request.title);
    if (!extended) chunk.Event(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
  };
  auto inUse = [&](int32_t t) { return request.slots[t].inUse != 0; };

  if (format0) {
    ChunkWriter chunk(out);
    headerMetas(chunk);
    for (int32_t t = 0; t < slotCount; ++t) {
      if (!inUse(t) || StartsExtended(request.Track(t))) continue;
      const uint8_t ch = static_cast<uint8_t>(t & 15);
      const TrackProperties& slot = request.slots[t];
      chunk.Event(0, {static_cast<uint8_t>(0xC0 | ch), Data7(request.programs[t])});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 32, 0});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 0, 0});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 10, Data7(slot.panpot)});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 7, Data7(slot.volume)});
    }
    EventWriter events(chunk, leadIn);
    if (request.songList != nullptr) {
      events.Write(*request.songList);
    } else {
      events.Write(request.songEvents);
    }
    chunk.Finish();
    return out;
  }

  for (int32_t t = 0; t < chunkCount; ++t) {
    ChunkWriter chunk(out);
    if (t == 0) headerMetas(chunk);
    const TrackProperties& slot = request.slots[t];
    chunk.Meta(0, 0x03, slot.name);
    if (inUse(t) && !StartsExtended(request.Track(t))) {
      const uint8_t ch = static_cast<uint8_t>(t & 15);
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 0x00, 0x00});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 0x20, 0x00});
      chunk.Event(0, {static_cast<uint8_t>(0xC0 | ch), Data7(request.programs[t])});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 0x07, Data7(slot.volume)});
      chunk.Event(0, {static_cast<uint8_t>(0xB0 | ch), 0x0A, Data7(slot.panpot)});
    }
    EventWriter events(chunk, leadIn);
    events.Write(request.Track(t));
    chunk.Finish();
  }
  return out;
}

int WriteSmf(const SmfExportRequest& request) {
  const std::vector<uint8_t> bytes = BuildSmf(request);
  // A new name beside the target (same file system, so the rename is atomic); O_EXCL with the
  // ordinary 0666 mode lets the umask decide the permissions as for any saved document.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = request.path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return 1;
  }
  if (fd < 0) return 1;
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok || std::rename(temp.c_str(), request.path.c_str()) != 0) {
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}

int32_t SmfProgramOf(const TrackProperties& slot) { return InstrumentProgram(slot.instrument); }

SmfExportRequest MakeSmfExportRequest(const CMMLDocument& document, std::string path,
                                      int32_t format) {
  SmfExportRequest request;
  request.path = std::move(path);
  request.title = document.Title().empty() ? Sjis("無題") : document.Title();
  request.timeBase = document.GetTimeBase();
  request.format = format == 0 ? 0 : 1;
  for (int32_t t = 0; t < kTrackSlotCount; ++t) {
    const CMMLTrack& track = document.Track(t);
    request.slots[t] = static_cast<const TrackProperties&>(track);
    request.trackLists[t] = &track.events;
    if (track.inUse) request.programs[t] = SmfProgramOf(track);
  }
  if (request.format == 0) request.songList = &document.SongEvents();
  return request;
}

std::string SuggestSmfExportPath(const CMMLDocument& document) {
  if (document.Path().empty()) {
    if (document.Title().empty()) return "NoTitle.mid";
    std::string name = SjisToUtf8Lossy(document.Title());
    std::replace(name.begin(), name.end(), '/', '_');  // a title is no folder
    return name + ".mid";
  }
  return std::filesystem::path(document.Path()).replace_extension(".mid").string();
}

}  // namespace kore
