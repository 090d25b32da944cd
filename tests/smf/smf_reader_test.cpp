#include <gtest/gtest.h>

#include "base/shift_jis.h"
#include "smf/smf_reader.h"
#include "smf_builder.h"

namespace kore {
namespace {

using test::Bytes;
using test::MakeSmf;
using test::TrackBuilder;

struct ReadResult {
  int code = -1;
  SmfImportJob job;
  std::vector<MidiEventList> lists;
};

ReadResult Read(const Bytes& bytes, SmfImportOptions options = {}) {
  ReadResult r;
  r.job.options = options;
  r.code = ReadSmf(bytes.data(), bytes.size(), r.job, r.lists);
  return r;
}

TEST(SmfHeaderTest, ResultCodes) {
  Bytes good = MakeSmf(1, 480, {});
  SmfInput in(good.data(), good.size());
  SmfHeader header;
  ASSERT_EQ(ReadSmfHeader(in, header), 0);
  EXPECT_EQ(header.format, 1);
  EXPECT_EQ(header.division, 480);

  Bytes shortFile(good.begin(), good.begin() + 13);
  EXPECT_EQ(Read(shortFile).code, 2);

  Bytes badId = good;
  badId[0] = 'X';
  EXPECT_EQ(Read(badId).code, 3);

  Bytes length8 = good;
  length8[7] = 8;
  EXPECT_EQ(Read(length8).code, 4);

  Bytes format3 = good;
  format3[9] = 3;
  EXPECT_EQ(Read(format3).code, 4);
}

TEST(SmfHeaderTest, TrackHeaderAndVarLen) {
  Bytes chunk = {'M', 'T', 'r', 'k', 0, 0, 1, 2};
  SmfInput in(chunk.data(), chunk.size());
  uint32_t length = 0;
  EXPECT_EQ(ReadTrackHeader(in, length), 0);
  EXPECT_EQ(length, 0x102u);
  Bytes wrong = {'M', 'T', 'r', 'x', 0, 0, 0, 0};
  SmfInput in2(wrong.data(), wrong.size());
  EXPECT_EQ(ReadTrackHeader(in2, length), 3);
  SmfInput in3(wrong.data(), 5);
  EXPECT_EQ(ReadTrackHeader(in3, length), 2);

  struct Case { Bytes bytes; int code; uint32_t value; };
  const Case cases[] = {
      {{0x00}, 0, 0},
      {{0x7F}, 0, 0x7F},
      {{0x81, 0x00}, 0, 0x80},
      {{0xFF, 0xFF, 0xFF, 0x7F}, 0, 0x0FFFFFFF},
      {{0x81}, 2, 0},
      {{0x81, 0x81, 0x81, 0x81, 0x01}, 3, 0},
  };
  for (const Case& c : cases) {
    SmfInput v(c.bytes.data(), c.bytes.size());
    uint32_t value = 0;
    EXPECT_EQ(ReadVarLen(v, value), c.code);
    if (c.code == 0) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(SmfReaderTest, FormatZeroSplitsByChannelAndListsThem) {
  TrackBuilder t;
  t.On(0, 0, 60).On(0, 9, 36).Off(96, 0, 60).Off(0, 9, 36).End();
  Bytes file = MakeSmf(0, 96, {t});
  ReadResult r = Read(file);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.lists.size(), 16u);
  for (size_t i = 0; i < 16; ++i) {
    EXPECT_EQ(r.lists[i].empty(), i != 0 && i != 9) << i;
  }
  ASSERT_EQ(r.lists[9].size(), 2u);
  EXPECT_EQ(r.lists[9][0].kind, MidiEventKind::Note);
  EXPECT_EQ(r.lists[9][0].note, 36);
  EXPECT_EQ(r.lists[9][1].kind, kSmfNoteOff);
  EXPECT_EQ(r.lists[9][1].tick, 96);

  SmfImportJob job;
  std::vector<SmfSourceLine> lines;
  ASSERT_EQ(ListSmfTracksFromBytes(file.data(), file.size(), job, lines), 0);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, " 1 : A01");
  EXPECT_EQ(lines[0].listIndex, 0);
  EXPECT_EQ(lines[1].text, "10 : A10");
  EXPECT_EQ(lines[1].listIndex, 9);
}

TEST(SmfReaderTest, NoteRecordsRunningStatusAndVelocityZero) {
  TrackBuilder t;
  // note on C4 v127, then running status: E4 v64, C4 v0 (an off), E4 v0.
  t.Raw(0, {0x92, 60, 127}).Raw(10, {64, 64}).Raw(10, {60, 0}).Raw(5, {64, 0}).End();
  ReadResult r = Read(MakeSmf(1, 480, {t}));
  ASSERT_EQ(r.code, 0);
  const MidiEventList& list = r.lists[0];
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].kind, MidiEventKind::Note);
  EXPECT_EQ(list[0].value, 15);
  EXPECT_EQ(list[0].value2, 127);
  EXPECT_EQ(list[0].channel, 2);
  EXPECT_EQ(list[0].letter, 'C');
  EXPECT_EQ(list[0].octave, 4);
  EXPECT_EQ(list[1].kind, MidiEventKind::Note);
  EXPECT_EQ(list[1].note, 64);
  EXPECT_EQ(list[1].value, 64 * 15 / 127);
  EXPECT_EQ(list[1].tick, 10);
  EXPECT_EQ(list[2].kind, kSmfNoteOff);
  EXPECT_EQ(list[2].tick, 20);
  EXPECT_EQ(list[3].kind, kSmfNoteOff);
  EXPECT_EQ(list[3].tick, 25);
}

TEST(SmfReaderTest, DataByteBeforeAnyStatusIsSkipped) {
  TrackBuilder t;
  // A stray data byte with no status to repeat, then a proper note.
  t.Raw(0, {0x3C}).On(0, 0, 62).Off(48, 0, 62).End();
  ReadResult r = Read(MakeSmf(1, 96, {t}));
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.lists[0].size(), 2u);
  EXPECT_EQ(r.lists[0][0].note, 62);
  EXPECT_EQ(r.lists[0][1].tick, 48);
}

TEST(SmfReaderTest, MetaEventsAndOptions) {
  TrackBuilder conductor;
  conductor.Meta(0, 0x03, "Song").Meta(0, 0x02, "(c) me").Tempo(0, 500000).Tempo(0, 0).End();
  TrackBuilder t;
  t.Meta(0, 0x21, std::string(1, '\x01'))
      .Meta(0, 0x03, "Lead")
      .Raw(0, {0xB3, 7, 90})
      .Raw(0, {0xC3, 40})
      .Raw(0, {0xE3, 0, 64})
      .Raw(0, {0xD3, 5})
      .Raw(0, {0xA3, 60, 5})
      .Meta(0, 0x01, "hello")
      .Raw(0, {0xF0, 0x03, 0x7E, 0x09, 0xF7})
      .Raw(0, {0xF1, 0x00})
      .On(0, 3, 60)
      .Off(10, 3, 60)
      .End();
  TrackBuilder silent;
  silent.Meta(0, 0x03, "Empty").End();
  Bytes file = MakeSmf(1, 480, {conductor, t, silent});

  ReadResult plain = Read(file);
  ASSERT_EQ(plain.code, 0);
  EXPECT_EQ(plain.job.title, "Song");
  EXPECT_EQ(plain.job.copyright, "(c) me");
  EXPECT_EQ(plain.job.trackNames[1], "Lead");
  ASSERT_EQ(plain.lists[0].size(), 1u);  // the zero tempo writes nothing
  EXPECT_EQ(plain.lists[0][0].kind, MidiEventKind::Tempo);
  EXPECT_EQ(plain.lists[0][0].value, 120);
  EXPECT_EQ(plain.lists[1].size(), 2u);  // only the note and its off without options

  SmfImportOptions all;
  all.programChange = all.controlChange = all.pitchBend = all.midiText = all.sysEx = true;
  ReadResult full = Read(file, all);
  ASSERT_EQ(full.code, 0);
  const MidiEventList& list = full.lists[1];
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(list[0].kind, MidiEventKind::ControlChange);
  EXPECT_EQ(list[0].value, 7);
  EXPECT_EQ(list[0].value2, 90);
  EXPECT_EQ(list[1].kind, MidiEventKind::ProgramChange);
  EXPECT_EQ(list[1].value, 40);
  EXPECT_EQ(list[2].kind, MidiEventKind::PitchBend);
  EXPECT_EQ(list[2].value2, 64);
  EXPECT_EQ(list[3].kind, MidiEventKind::Marker);
  EXPECT_EQ(list[3].text, "hello");
  EXPECT_EQ(list[4].kind, MidiEventKind::SysEx);
  EXPECT_EQ(list[4].data, (std::vector<uint8_t>{0xF0, 0x7E, 0x09, 0xF7}));
  EXPECT_EQ(list[4].value, 4);

  SmfImportJob job;
  std::vector<SmfSourceLine> lines;
  ASSERT_EQ(ListSmfTracksFromBytes(file.data(), file.size(), job, lines), 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, " 1 : --- Song");
  EXPECT_EQ(lines[1].text, " 2 : B04 Lead");
  EXPECT_EQ(lines[2].text, " 3 : --- Empty");
}

TEST(SmfReaderTest, LyingLengthsAreBoundedByTheFile) {
  // A chunk that claims 256 MiB, holding a meta that claims 0x0FFFFFFF bytes.
  Bytes file = MakeSmf(1, 96, {});
  file[11] = 2;  // two tracks declared
  Bytes chunk = {'M', 'T', 'r', 'k', 0x10, 0, 0, 0, 0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F,
                 'a', 'b', 'c'};
  file.insert(file.end(), chunk.begin(), chunk.end());
  SmfImportOptions options;
  options.midiText = true;
  ReadResult r = Read(file, options);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.lists[0].size(), 1u);
  EXPECT_EQ(r.lists[0][0].text, "abc");
  EXPECT_EQ(r.job.chunks.size(), 1u);
}

TEST(SmfReaderTest, TruncatedChunkKeepsWhatWasRead) {
  TrackBuilder t;
  t.On(0, 0, 60).Off(10, 0, 60).On(0, 0, 62);
  Bytes file = MakeSmf(1, 96, {t});
  file.resize(file.size() - 1);  // the last note-on loses its velocity
  file[18 + 3] = 200;            // and the chunk claims more than is left
  ReadResult r = Read(file);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.lists[0].size(), 2u);
}

TEST(SmfReaderTest, ChunkHeaderErrorsAreReported) {
  TrackBuilder t;
  t.On(0, 0, 60).Off(10, 0, 60).End();
  Bytes file = MakeSmf(1, 96, {t, t});
  Bytes wrongId = file;
  wrongId[14 + 8 + t.data().size() + 3] = 'x';
  EXPECT_EQ(Read(wrongId).code, 3);
  Bytes cut = file;
  cut.resize(14 + 8 + t.data().size() + 5);
  EXPECT_EQ(Read(cut).code, 2);
  // Fewer chunks than declared, ending cleanly at the end of the file, are fine.
  EXPECT_EQ(Read(MakeSmf(1, 96, {t}, 5)).code, 0);
}

TEST(SmfReaderTest, DivisionBelowOneBecomes32) {
  EXPECT_EQ(Read(MakeSmf(1, 0, {})).job.ticksPerQuarter, 32);
  EXPECT_EQ(Read(MakeSmf(1, 0xE728, {})).job.ticksPerQuarter, 0xE728);
}

}  // namespace
}  // namespace kore
