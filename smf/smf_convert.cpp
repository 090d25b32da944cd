#include "smf/smf_convert.h"

#include <algorithm>
#include <array>

#include "base/shift_jis.h"
#include "smf/smf_reader.h"

namespace kore {

int32_t QuantizeUnit(int32_t ticksPerQuarter, int32_t quantizeValue) {
  int64_t unit = static_cast<int64_t>(ticksPerQuarter) * 4 / NormalizeQuantizeValue(quantizeValue);
  return unit < 1 ? 1 : static_cast<int32_t>(unit);
}

int32_t QuantizeTick(int32_t tick, int32_t unit) {
  if (unit <= 1) return tick;
  int32_t remainder = tick % unit;
  int32_t down = tick - remainder;
  return remainder > unit / 2 ? down + unit : down;
}

void QuantizeList(MidiEventList& list, int32_t unit) {
  for (MidiEvent& e : list) e.tick = QuantizeTick(e.tick, unit);
}

int32_t SourceChannel(const MidiEventList& list, int32_t fallback) {
  for (const MidiEvent& e : list) {
    if (e.kind == MidiEventKind::Note || e.kind == MidiEventKind::ProgramChange ||
        e.kind == MidiEventKind::ControlChange) {
      return e.channel;
    }
  }
  return fallback;
}

void PairNotes(MidiEventList& list, int32_t channel, int32_t unit, bool keepZeroLength) {
  constexpr size_t kPitches = 128;
  // Notes still waiting for their note-off, per pitch, oldest first: the oldest open note is
  // the one whose forward search would meet this note-off first.
  std::array<std::vector<size_t>, kPitches> open;
  std::array<size_t, kPitches> head{};
  std::vector<uint8_t> keep(list.size(), 1);
  std::vector<uint8_t> closed(list.size(), 0);

  for (size_t k = 0; k < list.size(); ++k) {
    MidiEvent& e = list[k];
    const bool isNote = e.kind == MidiEventKind::Note;
    if (!isNote && e.kind != kSmfNoteOff) continue;
    if (e.note < 0 || e.note >= static_cast<int32_t>(kPitches)) {
      if (isNote) keep[k] = 0;  // nothing the reader makes; never closes
      continue;
    }
    const size_t pitch = static_cast<size_t>(e.note);
    const bool isCloser = !isNote || e.value == 0;
    if (isCloser && head[pitch] < open[pitch].size()) {
      size_t on = open[pitch][head[pitch]++];
      list[on].length = e.tick - list[on].tick;
      closed[on] = 1;
      keep[k] = 0;
    } else if (isNote) {
      open[pitch].push_back(k);
    }
  }

  MidiEventList result;
  result.reserve(list.size());
  for (size_t k = 0; k < list.size(); ++k) {
    if (!keep[k]) continue;
    MidiEvent& e = list[k];
    if (e.kind == MidiEventKind::Note) {
      if (!closed[k] || e.length < 0) continue;
      if (e.length == 0) {
        if (channel == 9) {
          e.length = unit;
        } else if (!keepZeroLength) {
          continue;
        }
      }
    }
    result.push_back(std::move(e));
  }
  list = std::move(result);
}

namespace {

bool IsControlRecord(MidiEventKind kind) {
  return kind == MidiEventKind::ProgramChange || kind == MidiEventKind::ControlChange ||
         kind == MidiEventKind::PitchBend || kind == MidiEventKind::SysEx;
}

}  // namespace

std::vector<MidiEventList> SpreadSource(const MidiEventList& list, size_t source,
                                        size_t listCount, bool spreadControl) {
  listCount = std::max<size_t>({listCount, 16, source + 1});
  std::vector<MidiEventList> lists(listCount);
  std::vector<int64_t> busyUntil(listCount, 0);
  MidiEventList control;
  for (const MidiEvent& e : list) {
    if (e.kind == kSmfNoteOff) continue;
    if (spreadControl && IsControlRecord(e.kind)) {
      control.push_back(e);
      continue;
    }
    if (spreadControl && e.kind == MidiEventKind::Marker) control.push_back(e);
    size_t target = listCount;
    if (busyUntil[source] <= e.tick) {
      target = source;
    } else {
      for (size_t i = 0; i < 16; ++i) {
        if (i != source && busyUntil[i] <= e.tick) {
          target = i;
          break;
        }
      }
    }
    if (target == listCount) continue;  // every list sounds: the note is lost
    lists[target].push_back(e);
    busyUntil[target] = static_cast<int64_t>(e.tick) + e.length;
  }
  if (spreadControl && !control.empty()) {
    for (MidiEventList& candidate : lists) {
      if (candidate.empty()) {
        candidate = std::move(control);
        break;
      }
    }
  }
  return lists;
}

MidiEventList MakeMonophonic(const MidiEventList& list, bool reduceRest) {
  MidiEventList result;
  result.reserve(list.size());
  int64_t cursor = 0;
  for (const MidiEvent& e : list) {
    if (e.kind == kSmfNoteOff || e.tick < cursor) continue;
    if (e.tick > cursor) {
      const int32_t gap = static_cast<int32_t>(e.tick - cursor);
      if (reduceRest && !result.empty() && result.back().kind == MidiEventKind::Note) {
        result.back().length += gap;
      } else {
        MidiEvent rest;
        rest.kind = MidiEventKind::Rest;
        rest.tick = static_cast<int32_t>(cursor);
        rest.length = gap;
        rest.letter = 'R';
        rest.channel = e.channel;
        result.push_back(std::move(rest));
      }
    }
    result.push_back(e);
    cursor = static_cast<int64_t>(e.tick) + e.length;
  }
  return result;
}

namespace {

// A name or copyright for a one-line comment: no line breaks, and no brackets, which would open
// a section in the song file.
std::string CommentSafe(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    char& c = out[i];
    if (IsSjisLeadByte(c) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') c = ' ';
    else if (c == '[') c = '(';
    else if (c == ']') c = ')';
  }
  return out;
}

// Cuts at most at `limit` bytes without splitting a two-byte character.
void CutText(std::string& text, size_t limit) {
  if (text.size() <= limit) return;
  size_t end = 0;
  while (end < limit) {
    size_t next = end + (IsSjisLeadByte(text[end]) ? 2 : 1);
    if (next > limit) break;
    end = next;
  }
  text.resize(end);
}

std::string TrackText(const MidiEventList& list, size_t sourceIndex, bool named, int32_t channel,
                      const SmfImportJob& job) {
  const SmfImportOptions& o = job.options;
  std::string text;
  const bool extended =
      o.programChange || o.controlChange || o.pitchBend || o.velocity || o.sysEx || o.channel;
  if (extended) text += "//#using_extension\r\n";
  if (o.channel) text += "//#using_channel = " + std::to_string(channel + 1) + "\r\n";
  if (extended) text += "\r\n";
  if (named) {
    const std::string name =
        sourceIndex < job.trackNames.size() ? job.trackNames[sourceIndex] : std::string();
    if (sourceIndex == 0) {
      if (!name.empty()) text += "// title     : " + CommentSafe(name) + "\r\n";
      if (!job.copyright.empty()) text += "// copyright : " + CommentSafe(job.copyright) + "\r\n";
    } else if (!name.empty()) {
      text += "// " + CommentSafe(name) + "\r\n";
    }
  }
  text += WriteSmfMmlBody(list, job.ticksPerQuarter, o, kSmfOutputLimit);
  text += "\r\n";
  CutText(text, kSmfOutputLimit);
  return text;
}

int32_t FallbackChannel(const SmfImportJob& job, size_t listIndex) {
  if (job.format == 0) return static_cast<int32_t>(listIndex & 15);
  if (listIndex < job.chunks.size() && job.chunks[listIndex].firstChannel >= 0) {
    return job.chunks[listIndex].firstChannel;
  }
  return 0;
}

}  // namespace

int ConvertSmfFromBytes(const uint8_t* data, size_t size, SmfImportJob& job) {
  job.outputs.clear();
  std::vector<MidiEventList> lists;
  if (int code = ReadSmf(data, size, job, lists); code != kSmfOk) return code;

  const SmfImportOptions& o = job.options;
  const int32_t unit = QuantizeUnit(job.ticksPerQuarter, o.quantizeValue);
  const bool spreading = o.spreadTrack && job.spreadSource >= 0 &&
                         static_cast<size_t>(job.spreadSource) < lists.size();

  // The lists to write, in index order, each with the channel its text declares.
  std::vector<std::pair<size_t, int32_t>> order;
  if (spreading) {
    const size_t s = static_cast<size_t>(job.spreadSource);
    MidiEventList source = std::move(lists[s]);
    const int32_t channel = SourceChannel(source, FallbackChannel(job, s));
    QuantizeList(source, unit);
    PairNotes(source, channel, unit, o.reduceRest);
    lists = SpreadSource(source, s, lists.size(), o.spreadControl);
    for (size_t i = 0; i < lists.size(); ++i) order.emplace_back(i, channel);
  } else {
    std::vector<int32_t> selected = job.selectedSources;
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (int32_t index : selected) {
      if (index < 0 || static_cast<size_t>(index) >= lists.size()) continue;
      const size_t i = static_cast<size_t>(index);
      const int32_t channel = SourceChannel(lists[i], FallbackChannel(job, i));
      QuantizeList(lists[i], unit);
      PairNotes(lists[i], channel, unit, o.reduceRest);
      order.emplace_back(i, channel);
    }
  }

  for (const auto& [index, sourceChannel] : order) {
    if (job.outputs.size() >= static_cast<size_t>(kSmfMaxOutputTracks)) break;
    MidiEventList mono = MakeMonophonic(lists[index], o.reduceRest);
    if (mono.empty()) continue;
    job.outputs.push_back(TrackText(mono, index, !spreading, sourceChannel, job));
  }
  return kSmfOk;
}

int ConvertSmf(SmfImportJob* job) {
  if (job == nullptr) return kSmfNoJob;
  std::vector<uint8_t> bytes;
  if (!ReadSmfFileBytes(job->path, bytes)) return kSmfOpenFailed;
  return ConvertSmfFromBytes(bytes.data(), bytes.size(), *job);
}

}  // namespace kore
