#include "app/autosave.h"

#include <sys/vfs.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace kore {

std::string AutosaveFileName(const std::string& songPath, std::time_t stamp) {
  std::string stem = songPath.empty() ? std::string()
                                      : std::filesystem::path(songPath).stem().string();
  std::tm local{};
  localtime_r(&stamp, &local);
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, "~%04d%02d%02d_%02d%02d%02d.mml", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return stem + suffix;
}

bool IsOnFixedDisk(const std::string& folder) {
  // The nearest existing ancestor tells where the folder would be created.
  std::filesystem::path probe(folder);
  std::error_code ec;
  while (!probe.empty() && !std::filesystem::exists(probe, ec)) probe = probe.parent_path();
  struct statfs info {};
  if (probe.empty() || statfs(probe.c_str(), &info) != 0) return false;
  switch (static_cast<uint32_t>(info.f_type)) {
    case 0x6969u:      // NFS
    case 0x517Bu:      // SMB
    case 0xFF534D42u:  // CIFS
    case 0xFE534D42u:  // SMB2
    case 0x01021997u:  // 9P
    case 0x00C36400u:  // Ceph
    case 0x73757245u:  // Coda
    case 0x5346414Fu:  // AFS
    case 0x47504653u:  // GPFS
      return false;
    default:
      return true;
  }
}

}  // namespace kore
