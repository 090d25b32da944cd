#pragma once
// libasound prints its errors straight to standard error (a missing sound card, no sequencer);
// the program reports failures itself, so those prints are switched off once per process.

namespace kore {

void SilenceAlsaErrors();

}  // namespace kore
