#pragma once
// Song sources other than the program's own song file: Tamalin ".mms" files, ".kor"
// containers (read and written) and MML text from the clipboard. Each fills a LoadedSong that
// then replaces the document like a song file does.
#include <cstdint>
#include <string>
#include <string_view>

#include "song/loaded_song.h"
#include "song/song_file.h"

namespace kore {

// The ".kor" header: magic CC B2 B3 B9, block length, CRC-32 of the block, 0.
constexpr uint32_t kKorMagic = 0xB9B3B2CCu;
constexpr size_t kKorHeaderSize = 16;

// Reader chosen by the file name's extension, compared without regard to case.
enum class SongFileKind { Song, Mms, Kor };
SongFileKind SongFileKindOf(std::string_view path);

// 0, or -1 when the file cannot be read, its first section is not "mms-file", or it is not an
// INI file at all. The imported song is untitled: the caller loads it with an empty path.
int ReadMmsFile(const std::string& path, LoadedSong& song);
int ReadMmsText(std::string_view bytes, LoadedSong& song);

// 0, or -1 when the file is shorter than its header, the magic or the length field does not
// match the file, the CRC-32 of the block differs, or the block itself is damaged.
int ReadKorFile(const std::string& path, LoadedSong& song);
int ReadKorBytes(std::string_view bytes, LoadedSong& song);
// The header and a block holding every record type.
std::string KorFileBytes(const SongContent& song);
// Written through a temporary file like a song file. 0 or -1.
int WriteKorFile(const std::string& path, const SongContent& song);

// 1 when the text holds at least one "MML@" group (the groups are then in `song`), else 0.
// `defaultTicksPerQuarter` is the application's DefaultTimeBase.
int ParseClipboardMml(std::string_view text, LoadedSong& song,
                      int32_t defaultTicksPerQuarter = 32);

// Reads any song file the open command accepts, choosing the reader by extension: kSongFileOk,
// or a failure (a ".kor" or ".mms" the reader refuses is kSongFileUnreadable).
[[nodiscard]] SongFileResult ReadAnySongFile(const std::string& path, LoadedSong& song,
                                             const SongReadOptions& options = {});

}  // namespace kore
