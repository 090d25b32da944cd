// The Wine user registry text FindGameFolder reads: any bytes must give a folder or a failure,
// never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "playback/game_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string folder;
  kore::FindGameFolderInRegistry(std::string_view(reinterpret_cast<const char*>(data), size),
                                 "/nonexistent-prefix", folder);
  return 0;
}
