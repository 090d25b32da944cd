// The instrument list and the instrument codes stored in files.
#include <gtest/gtest.h>

#include "base/shift_jis.h"
#include "song/instruments.h"

namespace kore {
namespace {

TEST(Instruments, GameInstrumentsComeFirstThenGeneralMidi) {
  const int32_t programs[] = {105, 24, 25, 73, 72, 71, 77};
  const int32_t ids[] = {0, 1, 2, 5, 3, 6, 4};
  for (int32_t i = 0; i < kInstrumentCount; ++i) {
    EXPECT_EQ(InstrumentProgram(i), i < kGameInstrumentCount ? programs[i] : i - 7) << i;
    EXPECT_EQ(InstrumentGameId(i), i < kGameInstrumentCount ? ids[i] : -1) << i;
    EXPECT_FALSE(InstrumentName(i).empty()) << i;
  }
  EXPECT_TRUE(InstrumentName(kInstrumentCount).empty());
  EXPECT_TRUE(InstrumentName(-1).empty());
  const std::pair<int32_t, const char*> texts[] = {
      {0, "106 : リュート"}, {6, "078 : 尺八"}, {7, "001 : Acoustic Grand Piano"},
      {134, "128 : Gunshot"}, {135, ""}};
  for (auto [index, text] : texts) EXPECT_EQ(InstrumentListText(index), Sjis(text)) << index;
}

TEST(Instruments, CodesOnFile) {
  const struct {
    int32_t code, index;
  } reads[] = {{128, 0}, {134, 6}, {0, 7}, {127, 134}, {135, 7}, {136, 0}, {-1, 0}};
  for (const auto& row : reads) EXPECT_EQ(InstrumentCodeToIndex(row.code), row.index) << row.code;
  // An index that cannot be stored is written as index 0, which reads back as itself.
  EXPECT_EQ(InstrumentIndexToCode(135), 128);
  EXPECT_EQ(InstrumentIndexToCode(-3), 128);
  for (int32_t i = 0; i < kInstrumentCount; ++i)
    EXPECT_EQ(InstrumentCodeToIndex(InstrumentIndexToCode(i)), i) << i;
}

}  // namespace
}  // namespace kore
