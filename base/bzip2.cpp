#include "base/bzip2.h"

#include <bzlib.h>

#include <climits>
#include <new>

namespace kore {
namespace {

// libbz2 documents the output as never exceeding the input by more than 1 % plus 600 bytes.
size_t WorstCaseCompressedSize(size_t size) { return size + size / 100 + 601; }

bool TryCompress(const uint8_t* data, size_t size, size_t area, std::vector<uint8_t>& out,
                 int& status) {
  if (area > UINT_MAX) area = UINT_MAX;
  try {
    out.resize(area);
  } catch (const std::bad_alloc&) {
    status = BZ_MEM_ERROR;
    return false;
  }
  unsigned int produced = static_cast<unsigned int>(area);
  status = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &produced,
                                    const_cast<char*>(reinterpret_cast<const char*>(data)),
                                    static_cast<unsigned int>(size), 9, 0, 30);
  if (status != BZ_OK) return false;
  out.resize(produced);
  return true;
}

}  // namespace

bool Bzip2Compress(const uint8_t* data, size_t size, size_t outputArea,
                   std::vector<uint8_t>& compressed) {
  compressed.clear();
  if (size > UINT_MAX) return false;
  int status = BZ_OK;
  if (TryCompress(data, size, outputArea, compressed, status)) return true;
  if (status != BZ_OUTBUFF_FULL) return false;
  size_t bound = WorstCaseCompressedSize(size);
  if (bound <= outputArea) return false;
  return TryCompress(data, size, bound, compressed, status);
}

bool Bzip2Decompress(const uint8_t* data, size_t size, size_t expectedSize,
                     std::vector<uint8_t>& plain) {
  plain.clear();
  if (size > UINT_MAX || expectedSize >= UINT_MAX) return false;
  try {
    // One spare byte shows a stream longer than announced as "output full".
    plain.resize(expectedSize + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  unsigned int produced = static_cast<unsigned int>(plain.size());
  int status = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(plain.data()), &produced,
                                          const_cast<char*>(reinterpret_cast<const char*>(data)),
                                          static_cast<unsigned int>(size), 0, 0);
  if (status != BZ_OK || produced != expectedSize) {
    plain.clear();
    return false;
  }
  plain.resize(produced);
  return true;
}

}  // namespace kore
