#include "base/huge_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace kore {
namespace {

// The array ends a little way into a page that holds other memory too: only the whole unused
// pages go (they read as zeros), the used part and whatever follows the array keep their bytes.
TEST(HugePages, ReleaseDropsOnlyWholeUnusedPagesOfTheArray) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t huge = size_t{2} << 20, mapped = 8 * huge;
  void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(map, MAP_FAILED);
  auto* data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(map) + huge - 1) & ~(huge - 1));
  const size_t used = 2 * huge + 100, bytes = 2 * huge + 2 * page + 100;
  std::memset(data, 0xAB, bytes + page);
  ReleaseUnusedPages(data, used, bytes);
  EXPECT_EQ(data[used - 1], 0xAB) << "last used byte";
  EXPECT_EQ(data[used], 0xAB) << "rest of the partly used page";
  EXPECT_EQ(data[used + page], 0) << "the whole unused page";
  EXPECT_EQ(data[bytes], 0xAB) << "first byte after the array";
  munmap(map, mapped);
}

}  // namespace
}  // namespace kore
