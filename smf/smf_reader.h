#pragma once
// Reads a Standard MIDI File (format 0, 1 or 2) into raw per-source event lists: one list per
// MIDI channel for format 0, one per track chunk otherwise. Every length read from the file is
// bounded by the bytes that remain, so a lying length never allocates more than the file holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mml/midi_event.h"
#include "smf/smf_import_job.h"

namespace kore {

// Note-off marker of the raw lists (a kind the compiler never produces).
constexpr MidiEventKind kSmfNoteOff = static_cast<MidiEventKind>(2);

// Absolute ticks beyond this end the chunk: it keeps tick + length and the quantise rounding
// inside 32 bits.
constexpr int64_t kSmfMaxTick = 0x3FFFFFFF;

// A read cursor over bytes held in memory.
class SmfInput {
 public:
  SmfInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Remaining() const { return size_ - pos_; }
  bool AtEnd() const { return pos_ >= size_; }
  bool ReadByte(uint8_t& byte) {
    if (pos_ >= size_) return false;
    byte = data_[pos_++];
    return true;
  }
  // Gives back the byte just read.
  void Unread() {
    if (pos_ > 0) --pos_;
  }
  // Takes up to `count` bytes; returns how many were available.
  size_t Take(size_t count, const uint8_t** bytes);
  // The next `count` bytes (at most what remains) as a cursor of their own; this one moves past.
  SmfInput Split(size_t count);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

struct SmfHeader {
  int32_t format = 0;
  int32_t trackCount = 0;
  int32_t division = 0;  // the 16-bit field as an unsigned number
};

// 0 success; 2 fewer than 14 bytes; 3 no "MThd"; 4 length not 6 or format not 0..2.
int ReadSmfHeader(SmfInput& in, SmfHeader& header);
// 0 success with the stated chunk length; 2 fewer than 8 bytes; 3 no "MTrk".
int ReadTrackHeader(SmfInput& in, uint32_t& length);
// 0 success; 2 end of data; 3 a fifth byte would be needed.
int ReadVarLen(SmfInput& in, uint32_t& value);

// Parses one chunk's events (the cursor holds exactly the chunk data) until End of Track or the
// end of the data, appending records to `lists` and filling `info`. In a format 0 file,
// records without a channel (tempo, texts, exclusives) join the list of the last channel seen
// (channel 1 before any). Running status repeats the last channel message only; a data byte
// with no status before it is dropped.
void ReadTrack(SmfInput& chunk, std::vector<MidiEventList>& lists, int32_t chunkIndex,
               SmfChunkInfo& info, SmfImportJob& job);

// Reads a whole file held in memory. Fills the reader's fields of `job` and the source lists
// (max(16, track count) of them, counting only chunks the file has room for). Returns 0 or
// the header/chunk code.
int ReadSmf(const uint8_t* data, size_t size, SmfImportJob& job,
            std::vector<MidiEventList>& lists);

// Reads a file's bytes; false when it cannot be opened or read.
bool ReadSmfFileBytes(const std::string& path, std::vector<uint8_t>& bytes);

// The import dialog's source list: for format 0 one line "%2d : A%02d" per non-empty channel
// list, otherwise "%2d : %s" per track chunk with its display name. Returns 0, 2 when the file
// cannot be opened, or the reader's code.
int ListSmfTracks(const std::string& path, SmfImportJob& job, std::vector<SmfSourceLine>& lines);
int ListSmfTracksFromBytes(const uint8_t* data, size_t size, SmfImportJob& job,
                           std::vector<SmfSourceLine>& lines);

}  // namespace kore
