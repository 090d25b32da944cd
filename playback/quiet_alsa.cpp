#include "playback/quiet_alsa.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace kore {
namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void SilenceAlsaErrors() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreAlsaError); });
}

}  // namespace kore
