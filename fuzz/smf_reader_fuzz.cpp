// The SMF reader and the track listing on arbitrary bytes, with every record kind switched on.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "smf/smf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kore::SmfImportJob job;
  job.options.programChange = job.options.controlChange = job.options.pitchBend = true;
  job.options.midiText = job.options.sysEx = true;
  std::vector<kore::MidiEventList> lists;
  if (kore::ReadSmf(data, size, job, lists) == kore::kSmfOk) {
    // Every record comes from the file: its ticks lie within the bound the reader keeps.
    for (const kore::MidiEventList& list : lists) {
      for (const kore::MidiEvent& e : list) {
        if (e.tick < 0 || e.tick > kore::kSmfMaxTick || e.channel < 0 || e.channel > 15) {
          __builtin_trap();
        }
      }
    }
  }
  std::vector<kore::SmfSourceLine> lines;
  kore::SmfImportJob listing;
  kore::ListSmfTracksFromBytes(data, size, listing, lines);
  return 0;
}
