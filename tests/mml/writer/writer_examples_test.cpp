#include <gtest/gtest.h>

#include "mml/mml_writer.h"
#include "tests/mml/writer/music.h"

namespace kore {
namespace {

using testing::Difference;
using testing::Play;

std::string Write(std::string_view mml, int32_t mode = kWriterModePlain) {
  std::string out;
  WriteGameMml(mml, out, mode);
  return out;
}

// Both modes give `expected`, and it plays what the original plays.
void ExpectRewrite(std::string_view mml, std::string_view expected) {
  for (int32_t mode : {kWriterModePlain, kWriterModeDotted}) {
    std::string out = Write(mml, mode);
    EXPECT_EQ(out, expected) << "mode " << mode << " of " << mml;
    EXPECT_EQ(Difference(Play(mml), Play(out)), "") << mml << " -> " << out;
  }
}

TEST(WriteGameMml, DocumentedExamples) {
  ExpectRewrite("o4 c4 d4 e4", "cde");
  ExpectRewrite("l8 c d e f", "l8cdef");
  ExpectRewrite("c4 // comment\n d4", "cd");
  ExpectRewrite("o5 c4 o4 g4", "b+g");
  ExpectRewrite("r4 r4 r2", "r1");
  ExpectRewrite("c4&c4", "c&c");
  ExpectRewrite("//#using_extension\n@10 y7,100 c", "c");
  ExpectRewrite("v10 c v10 d", "v10cd");
}

TEST(WriteGameMml, AppendsAndCountsOnlyWhatItAppends) {
  std::string out = "MML@";
  EXPECT_EQ(WriteGameMml("c4 d4", out, kWriterModePlain), 2);
  EXPECT_EQ(out, "MML@cd");
  EXPECT_EQ(WriteGameMml("", out, kWriterModePlain), 0);
  EXPECT_EQ(WriteGameMml("// only a comment\n/* and another */", out, kWriterModeDotted), 0);
  EXPECT_EQ(out, "MML@cd");
}

TEST(WriteGameMml, TiesTheEditorDoesNotHonourAreNotWritten) {
  ExpectRewrite("c4&o4c4", "cc");  // "o" between "&" and the note clears the tie
  ExpectRewrite("c4&v8c4", "cc");
  ExpectRewrite("c4&x c4", "cc");   // so does a byte that is no command
  ExpectRewrite("c4&d4", "cd");     // another pitch: nothing to merge
  ExpectRewrite("c4&r4c4", "crc");  // a rest drops the tie
  ExpectRewrite("o5c4&o4b+4", ">cc");
  ExpectRewrite("c4 & /* keeps */ & c4", "c&c");
}

TEST(WriteGameMml, TieAcrossARestStaysATie) {
  ExpectRewrite("c4r4&c4", "cr&c");
  ExpectRewrite("c4r8r8&c4", "cr&c");
  ExpectRewrite("c4 t100 & c4", "ct100&c");
}

TEST(WriteGameMml, CommandsATiedNoteNeedsGoBeforeTheTie) {
  // The merged note carries a later volume: "v" between "&" and the note would clear the tie.
  ExpectRewrite("c4 v10 r4 & c4 d4", "crv10&cd");
  // The note by number leaves the octave alone; the tied note needs ">" first.
  ExpectRewrite("o5 n60 & c4", "n60>&c");
}

TEST(WriteGameMml, NoteByNumberKeepsTheDefaultItDependsOn) {
  // Pruning would drop "l8" (the plain quarters around it look cheaper), turning n48 into a
  // quarter.
  ExpectRewrite("c l8c c c n48 l4 c c c", "cl8cccn48l4ccc");
  ExpectRewrite("l16 n40 n41 l8. n42 c4 c4", "l16n40n41l8.n42l4cc");
}

TEST(WriteGameMml, OddRestTotalsKeepTheirLastTick) {
  ExpectRewrite("r64. c", "r64.c");
  ExpectRewrite("r64.r64.r64. c", "r32r64r64.c");
  ExpectRewrite("r1 r64. c", "r1r64.c");
}

TEST(WriteGameMml, OctaveEdges) {
  ExpectRewrite("o1 c o0 c", "o1co0c");  // "<" does nothing at octave 1
  ExpectRewrite("o2 c o0 c", "o2co0c");
  ExpectRewrite("o8b+", "o8b+");  // note 120: B sharp of octave 8
  ExpectRewrite("o8b+ c", "o8b+c");
  ExpectRewrite("o0c-", "o0c-");  // note 11: C flat of octave 0
  ExpectRewrite("o4 c o0 c- c-", "co0c-c-");
}

TEST(WriteGameMml, RestsKeepTheirPlaceAmongNotes) {
  ExpectRewrite("c4 r4 d4", "crd");
  ExpectRewrite("c r4 t90 r4 c", "crt90rc");
  ExpectRewrite("c r3 r4 c", "cr3rc");  // a third is no standard rest and is left alone
}

TEST(WriteGameMml, LongSilencesUseDottedWholeRests) {
  ExpectRewrite("r1r1r1r1r1r1", "l1.rrrr");
  ExpectRewrite("r1r1r1r1r1 c", "l1rrrrrc4");  // fewer than six stay whole
}

TEST(WriteGameMml, ExtendedDialectBecomesGameText) {
  // A note by number of the extended dialect takes the default length, not its number.
  ExpectRewrite("//#using_extension\nl8 n48 n50", "c8d8");
  // The game stops at tempo 255; a faster extended tempo is written as fast as the game goes.
  EXPECT_EQ(Write("//#using_extension\nt300 c"), "t255c");
  ExpectRewrite("//#using_extension\np64 c4 & \n c4", "c&c");
}

TEST(WriteGameMml, DottedModeMayChooseADottedDefault) {
  std::string plain = Write("l8 c d c. d. c. d. c. d.", kWriterModePlain);
  std::string dotted = Write("l8 c d c. d. c. d. c. d.", kWriterModeDotted);
  EXPECT_EQ(plain, "c8d8l8.cdcdcd");
  EXPECT_EQ(dotted, "l8cdl8.cdcdcd");
  ExpectRewrite("c8.d8.e8.f8.g8.a8.", "l8.cdefga");
}

}  // namespace
}  // namespace kore
