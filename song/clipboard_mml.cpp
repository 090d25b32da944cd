#include "song/foreign_formats.h"

#include "song/song_file.h"

namespace kore {
namespace {

constexpr std::string_view kGroupMark = "MML@";
constexpr std::string_view kNextGroupComment = "\r\n//Next MML@ group fund.\r\n";

void AppendCut(std::string& text, std::string_view more) {
  if (text.size() >= kMaxTrackTextBytes) return;
  text.append(more.substr(0, kMaxTrackTextBytes - text.size()));
}

}  // namespace

int ParseClipboardMml(std::string_view text, LoadedSong& song, int32_t defaultTicksPerQuarter) {
  song.Reset();
  song.NameSlotsByNumber();
  song.timeBase = TimeBase{defaultTicksPerQuarter, 4, 4};
  bool found = false;
  size_t pos = 0;
  for (;;) {
    size_t mark = text.find(kGroupMark, pos);
    if (mark == std::string_view::npos) break;
    if (found) {
      for (std::string& t : song.texts) {
        if (!t.empty()) AppendCut(t, kNextGroupComment);
      }
    }
    found = true;
    pos = mark + kGroupMark.size();
    for (int32_t k = 0; k < kTrackSlotCount; ++k) {
      size_t comma = text.find(',', pos);
      size_t end = comma == std::string_view::npos ? text.size() : comma;
      std::string_view part = text.substr(pos, end - pos);
      size_t semicolon = part.find(';');
      bool last = semicolon != std::string_view::npos || comma == std::string_view::npos;
      if (semicolon != std::string_view::npos) part = part.substr(0, semicolon);
      pos = semicolon != std::string_view::npos ? pos + semicolon + 1
            : comma != std::string_view::npos  ? comma + 1
                                               : text.size();
      while (!part.empty() && (part.front() == '\r' || part.front() == '\n')) part.remove_prefix(1);
      if (part.empty()) break;
      AppendCut(song.texts[k], part);
      song.slots[k].inUse = 1;
      if (last) break;
    }
  }
  return found ? 1 : 0;
}

SongFileKind SongFileKindOf(std::string_view path) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
    return SongFileKind::Song;
  }
  std::string ext;
  for (char c : path.substr(dot)) ext.push_back((c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c);
  if (ext == ".mms") return SongFileKind::Mms;
  if (ext == ".kor") return SongFileKind::Kor;
  return SongFileKind::Song;
}

SongFileResult ReadAnySongFile(const std::string& path, LoadedSong& song,
                               const SongReadOptions& options) {
  switch (SongFileKindOf(path)) {
    case SongFileKind::Mms:
      return ReadMmsFile(path, song) == 0 ? kSongFileOk : kSongFileUnreadable;
    case SongFileKind::Kor:
      return ReadKorFile(path, song) == 0 ? kSongFileOk : kSongFileUnreadable;
    case SongFileKind::Song: break;
  }
  return ReadSongFile(path, song, options);
}

}  // namespace kore
