#pragma once
// Turns the source lists of a Standard MIDI File into MML track texts: quantisation, note
// pairing, optional spreading of chords over several tracks, the monophonic pass with rests or
// stretched notes, and the MML text with measure comments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mml/midi_event.h"
#include "smf/smf_import_job.h"

namespace kore {

// Reads job->path and fills job->outputs. Returns 0; 1 without a job; 2 when the file cannot be
// opened; otherwise the reader's header or chunk code.
int ConvertSmf(SmfImportJob* job);
// The same on a file already held in memory.
int ConvertSmfFromBytes(const uint8_t* data, size_t size, SmfImportJob& job);

// Ticks of one quantise unit: (ticksPerQuarter * 4) / quantizeValue, at least 1 so that a
// coarse file resolution cannot divide by zero.
int32_t QuantizeUnit(int32_t ticksPerQuarter, int32_t quantizeValue);
// Nearest multiple of `unit`; a remainder of exactly half rounds down.
int32_t QuantizeTick(int32_t tick, int32_t unit);
void QuantizeList(MidiEventList& list, int32_t unit);

// The list's channel: that of its first Note, ProgramChange or ControlChange; `fallback` if none.
int32_t SourceChannel(const MidiEventList& list, int32_t fallback);

// Gives every Note the length to the first later note-off of the same pitch (a note-off record,
// or a Note of volume step 0), removes the closing records, and drops notes that cannot be
// played (unclosed, negative, or zero-length unless `keepZeroLength`; channel 10 turns a zero
// length into one `unit`). Per-pitch queues keep this linear in the list size.
void PairNotes(MidiEventList& list, int32_t channel, int32_t unit, bool keepZeroLength);

// Spreads one paired source list over `listCount` lists (at least 16): each record stays in
// list `source` while it is free, else goes to the first free list of 0..15. With
// `spreadControl` the non-note records gather in the first list left empty.
std::vector<MidiEventList> SpreadSource(const MidiEventList& list, size_t source,
                                        size_t listCount, bool spreadControl);

// One note at a time: records starting while a note sounds are removed, and gaps become Rest
// records or, with `reduceRest`, lengthen the note before them.
MidiEventList MakeMonophonic(const MidiEventList& list, bool reduceRest);

// The MML body of one monophonic list (starting with a line break and a measure comment);
// writing stops once the text exceeds `limit` bytes.
std::string WriteSmfMmlBody(const MidiEventList& list, int32_t ticksPerQuarter,
                            const SmfImportOptions& options, size_t limit = kSmfOutputLimit);

}  // namespace kore
