// The whole SMF-to-MML conversion on arbitrary bytes. The first two bytes choose the options,
// the quantise unit and the selection; the rest is the file.
#include <cstddef>
#include <cstdint>

#include "smf/smf_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0], extra = data[1];
  kore::SmfImportJob job;
  kore::SmfImportOptions& o = job.options;
  o.programChange = flags & 1;
  o.controlChange = flags & 2;
  o.pitchBend = flags & 4;
  o.velocity = flags & 8;
  o.midiText = flags & 16;
  o.sysEx = flags & 32;
  o.channel = flags & 64;
  o.reduceRest = flags & 128;
  o.spreadTrack = extra & 1;
  o.spreadControl = extra & 2;
  static const int32_t kUnits[8] = {4, 8, 16, 32, 64, 32, 5, 0};
  o.quantizeValue = kUnits[(extra >> 2) & 7];
  job.spreadSource = extra >> 5;
  for (int32_t i = 0; i < 20; ++i) job.selectedSources.push_back(i);
  if (kore::ConvertSmfFromBytes(data + 2, size - 2, job) == kore::kSmfOk) {
    if (job.outputs.size() > static_cast<size_t>(kore::kSmfMaxOutputTracks)) __builtin_trap();
    for (const std::string& text : job.outputs) {
      if (text.size() > kore::kSmfOutputLimit) __builtin_trap();
    }
  }
  return 0;
}
