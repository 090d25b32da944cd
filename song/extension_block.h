#pragma once
// The extension block: a stream of typed records, compressed with bzip2, guarded by CRC-32 and,
// inside a song file, written as Base64 text under "[KORE EXTENSION]". The same binary block is
// the body of a ".kor" file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "song/loaded_song.h"
#include "song/song_document.h"

namespace kore {

enum class ExtensionRecord : uint8_t {
  TrackOrder = 1,
  TrackProperties = 2,
  TrackName = 3,
  TimeBase = 4,
  TrackText = 5,
  Title = 6,
  Source = 7,
  Memo = 8,
  Marker = 9,
};

// What a block carries besides the track order, which is always included.
struct ExtensionParts {
  bool texts = false;       // type 5
  bool properties = false;  // types 2 and 3
  bool timeBase = false;    // type 4
  bool info = false;        // types 6, 7, 8: title, source, memo
  bool markers = false;     // type 9
  static ExtensionParts All() { return {true, true, true, true, true}; }
};

constexpr size_t kExtensionHeaderSize = 12;
constexpr uint8_t kMethodStored = 0;
constexpr uint8_t kMethodBzip2 = 1;
// The most a record stream can announce and still be a song: sixteen full texts plus as much
// again for names, markers, title, source, memo and record overhead. A larger announced length
// marks a damaged block; it is never allocated.
constexpr size_t kMaxExtensionStreamLength = 32u << 20;
// Base64 text is written in "d=" lines of this many characters.
constexpr size_t kExtensionLineLength = 128;

// The uncompressed records in the documented order.
std::vector<uint8_t> BuildRecordStream(const SongContent& song, ExtensionParts parts);
// Header (stream length, CRC-32 of what follows the header, method 1, flag 0) and the bzip2
// stream. Should libbz2 fail, the records are stored uncompressed with method 0 instead.
std::vector<uint8_t> BuildExtensionBlock(const SongContent& song, ExtensionParts parts);
// Appends the text form: "[KORE EXTENSION]", "c=<CRC of the Base64 text>", the "d=" lines and
// an empty line, each ending with CR LF.
void WriteExtensionSection(std::string& out, const SongContent& song, ExtensionParts parts);

// Checks the CRC-32 of the concatenated "d=" values, decodes them and applies the block.
// Returns false, leaving the song untouched, when the checksum differs or the block is damaged.
bool ApplyExtensionText(std::string_view text, uint32_t expectedCrc, LoadedSong& song);
// Applies a binary block: flag 0, matching CRC-32, method 0 or 1, a stream length within
// kMaxExtensionStreamLength that the data yields exactly. Returns false, leaving the song
// untouched, otherwise. Records whose length runs past the stream end stop the walk; records
// too short for their type and records naming a slot of 16 or more are skipped.
bool ApplyExtensionBlock(const uint8_t* block, size_t length, LoadedSong& song);
// The record walk alone, over an uncompressed stream.
void ApplyRecordStream(const uint8_t* stream, size_t length, LoadedSong& song);

}  // namespace kore
