#include <sys/stat.h>

#include <cstdio>

#include "base/crc32.h"
#include "base/profile_file.h"
#include "song/extension_block.h"
#include "song/foreign_formats.h"

namespace kore {
namespace {

// The largest block a song can need: the stream bound plus bzip2's worst-case growth.
constexpr size_t kMaxKorBlockBytes = kMaxExtensionStreamLength + kMaxExtensionStreamLength / 100 +
                                     kExtensionHeaderSize + 1024;

uint32_t GetU32(const char* p) {
  auto b = reinterpret_cast<const uint8_t*>(p);
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

int ReadKorBytes(std::string_view bytes, LoadedSong& song) {
  if (bytes.size() < kKorHeaderSize) return -1;
  if (GetU32(bytes.data()) != kKorMagic) return -1;
  size_t blockLength = bytes.size() - kKorHeaderSize;
  if (GetU32(bytes.data() + 4) != blockLength) return -1;
  const auto* block = reinterpret_cast<const uint8_t*>(bytes.data() + kKorHeaderSize);
  if (Crc32(block, blockLength) != GetU32(bytes.data() + 8)) return -1;
  LoadedSong fresh;
  // A block that cannot be applied would leave an empty song: that is a failed read.
  if (!ApplyExtensionBlock(block, blockLength, fresh)) return -1;
  song = std::move(fresh);
  return 0;
}

int ReadKorFile(const std::string& path, LoadedSong& song) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  if (static_cast<uint64_t>(st.st_size) > kMaxKorBlockBytes + kKorHeaderSize) return -1;
  auto bytes = ReadWholeFile(path);
  if (!bytes) return -1;
  return ReadKorBytes(*bytes, song);
}

std::string KorFileBytes(const SongContent& song) {
  std::vector<uint8_t> block = BuildExtensionBlock(song, ExtensionParts::All());
  std::string out;
  out.reserve(kKorHeaderSize + block.size());
  PutU32(out, kKorMagic);
  PutU32(out, static_cast<uint32_t>(block.size()));
  PutU32(out, Crc32(block.data(), block.size()));
  PutU32(out, 0);
  out.append(reinterpret_cast<const char*>(block.data()), block.size());
  return out;
}

int WriteKorFile(const std::string& path, const SongContent& song) {
  return WriteFileAtomically(path, KorFileBytes(song));
}

}  // namespace kore
