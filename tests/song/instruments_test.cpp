// The instrument list and the instrument codes stored in files.
#include <gtest/gtest.h>

#include "base/shift_jis.h"
#include "song/instruments.h"

namespace kore {
namespace {

TEST(Instruments, GameInstrumentsComeFirst) {
  EXPECT_EQ(InstrumentName(0), Sjis("リュート"));
  EXPECT_EQ(InstrumentName(6), Sjis("尺八"));
  const int32_t programs[] = {105, 24, 25, 73, 72, 71, 77};
  const int32_t ids[] = {0, 1, 2, 5, 3, 6, 4};
  for (int32_t i = 0; i < kGameInstrumentCount; ++i) {
    EXPECT_EQ(InstrumentProgram(i), programs[i]) << i;
    EXPECT_EQ(InstrumentGameId(i), ids[i]) << i;
  }
}

TEST(Instruments, GeneralMidiProgramsFollow) {
  EXPECT_EQ(InstrumentName(7), "Acoustic Grand Piano");
  EXPECT_EQ(InstrumentName(7 + 40), "Violin");
  EXPECT_EQ(InstrumentName(7 + 73), "Flute");
  EXPECT_EQ(InstrumentName(134), "Gunshot");
  for (int32_t i = 7; i < kInstrumentCount; ++i) {
    EXPECT_EQ(InstrumentProgram(i), i - 7);
    EXPECT_EQ(InstrumentGameId(i), -1);
    EXPECT_FALSE(InstrumentName(i).empty());
  }
  EXPECT_TRUE(InstrumentName(135).empty());
  EXPECT_TRUE(InstrumentName(-1).empty());
}

TEST(Instruments, CodesOnFile) {
  EXPECT_EQ(InstrumentCodeToIndex(128), 0);
  EXPECT_EQ(InstrumentCodeToIndex(0), 7);
  EXPECT_EQ(InstrumentCodeToIndex(127), 134);
  EXPECT_EQ(InstrumentCodeToIndex(134), 6);
  EXPECT_EQ(InstrumentCodeToIndex(135), 7);
  EXPECT_EQ(InstrumentCodeToIndex(136), 0);
  EXPECT_EQ(InstrumentCodeToIndex(-1), 0);
  EXPECT_EQ(InstrumentIndexToCode(0), 128);
  EXPECT_EQ(InstrumentIndexToCode(6), 134);
  EXPECT_EQ(InstrumentIndexToCode(7), 0);
  EXPECT_EQ(InstrumentIndexToCode(134), 127);
  // An index that cannot be stored is written as index 0, which reads back as itself.
  EXPECT_EQ(InstrumentIndexToCode(135), 128);
  EXPECT_EQ(InstrumentIndexToCode(-3), 128);
  for (int32_t i = 0; i < kInstrumentCount; ++i) {
    EXPECT_EQ(InstrumentCodeToIndex(InstrumentIndexToCode(i)), i);
  }
}

TEST(Instruments, ListTextShowsPlaybackProgramPlusOne) {
  EXPECT_EQ(InstrumentListText(0), Sjis("106 : リュート"));
  EXPECT_EQ(InstrumentListText(1), Sjis("025 : ウクレレ"));
  EXPECT_EQ(InstrumentListText(7), "001 : Acoustic Grand Piano");
  EXPECT_EQ(InstrumentListText(134), "128 : Gunshot");
  EXPECT_TRUE(InstrumentListText(135).empty());
}

}  // namespace
}  // namespace kore
