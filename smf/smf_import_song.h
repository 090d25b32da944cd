#pragma once
// The new song an SMF import makes from its converted texts, and where it would be saved.
#include <string>

#include "smf/smf_import_job.h"
#include "song/loaded_song.h"

namespace kore {

// One track per converted text in slots 0, 1, 2 ..., named "Track%d", volume 100, pan 64; the
// file's title and copyright become the song's title and source; 32 ticks per quarter in 4/4.
void BuildSmfImportSong(const SmfImportJob& job, LoadedSong& song);

// The MIDI file's folder and name with ".mml" (the song is not written there yet).
std::string SmfImportSongPath(const std::string& midiPath);

}  // namespace kore
