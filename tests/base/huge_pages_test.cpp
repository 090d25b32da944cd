#include "base/huge_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace kore {
namespace {

bool Resident(const uint8_t* pageStart) {
  unsigned char state = 0;
  EXPECT_EQ(mincore(const_cast<uint8_t*>(pageStart), 1, &state), 0);
  return (state & 1) != 0;
}

// A list reserved from a generous bound and filled part way, one filled to its last byte, and one
// whose last huge page is mostly used: the used part keeps its bytes; the rest of the last huge
// page goes, even past the array's end (the mapping runs to a whole huge page, populated as one),
// unless more of it is used than not (giving part of it back would split it).
TEST(HugePages, ReleaseDropsTheRestOfAMostlyUnusedLastHugePage) {
  if (kHeapOnly) GTEST_SKIP() << "arrays stay on the heap in this build";
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE)), huge = size_t{2} << 20;
  struct Case {
    size_t used, bytes;
    bool released;
  };
  for (const Case& c : {Case{huge + 100, 3 * huge + 100, true},
                        Case{2 * huge + huge / 4 + 8, 2 * huge + huge / 4 + 8, true},
                        Case{huge + 3 * huge / 4, 3 * huge, false}}) {
    SCOPED_TRACE("used " + std::to_string(c.used));
    auto* data = static_cast<uint8_t*>(AllocateLongArray(c.bytes));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % huge, 0u);
    std::memset(data, 0xAB, c.used);
    const size_t nextPage = (c.used + page - 1) / page * page;
    const size_t hugeEnd = (c.used + huge - 1) / huge * huge;
    const bool populated = Resident(data + nextPage);  // where the kernel gave a huge page
    ReleaseUnusedPages(data, c.used, c.bytes);
    EXPECT_EQ(data[0], 0xAB);
    EXPECT_EQ(data[c.used - 1], 0xAB) << "last used byte";
    EXPECT_TRUE(Resident(data + nextPage - page)) << "the partly used page stays";
    if (c.released) {
      EXPECT_FALSE(Resident(data + nextPage)) << "the first whole unused page";
      EXPECT_FALSE(Resident(data + hugeEnd - page)) << "the last page of that huge page";
    } else {
      EXPECT_EQ(Resident(data + hugeEnd - page), populated) << "the huge page stays whole";
    }
    FreeLongArray(data, c.bytes);
  }
}

// Below the threshold an array is ordinary heap memory; both sizes hold what is written.
TEST(HugePages, AllocatorServesShortAndLongVectors) {
  for (size_t count : {size_t{1000}, kLongArrayBytes / sizeof(int32_t) + 1}) {
    std::vector<int32_t, LongArrayAllocator<int32_t>> values(count);
    for (size_t i = 0; i < count; ++i) values[i] = static_cast<int32_t>(i);
    values.resize(count * 2, -1);  // grows by moving into a new array
    EXPECT_EQ(values[count - 1], static_cast<int32_t>(count - 1));
    EXPECT_EQ(values[count], -1);
  }
}

}  // namespace
}  // namespace kore
