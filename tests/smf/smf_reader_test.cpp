// Reading Standard MIDI Files: chunk headers, events, options and lying or cut lengths.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "smf/smf_reader.h"
#include "smf_builder.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

using test::Bytes;
using test::CheckGolden;
using test::MakeSmf;

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

TEST(SmfReaderTest, HeaderChecksAndTheirResultCodes) {
  const Bytes t = test::ParseTrack("on 0 0 60, off 10 0 60");
  const Bytes good = MakeSmf(1, 480, {t, t});
  const size_t second = 14 + 8 + t.size();
  auto with = [&](size_t at, uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  const struct {
    const char* name;
    Bytes bytes;
    int code;
  } rows[] = {
      {"good", good, 0},
      {"header alone", MakeSmf(1, 480, {}), 0},
      {"format 0", MakeSmf(0, 480, {t}), 0},
      {"format 2", with(9, 2), 0},
      {"format 3", with(9, 3), 4},
      {"13 bytes", Bytes(good.begin(), good.begin() + 13), 2},
      {"chunk id", with(0, 'X'), 3},
      {"header length 8", with(7, 8), 4},
      {"header length 5", with(7, 5), 4},
      {"second track id", with(second + 3, 'x'), 3},
      {"second track header cut", Bytes(good.begin(), good.begin() + second + 5), 2},
      {"fewer chunks than declared", MakeSmf(1, 96, {t}, 5), 0},
  };
  for (const auto& row : rows) EXPECT_EQ(Read(row.bytes).code, row.code) << row.name;
  for (auto [division, ticks] : {std::pair{0, 32}, {1, 1}, {0xE728, 0xE728}})  // 0: below one
    EXPECT_EQ(Read(MakeSmf(1, division, {})).job.ticksPerQuarter, ticks) << division;
}

// The read lists as text, one record a line, for comparison with a known description.
std::string Described(const std::vector<MidiEventList>& lists) {
  std::ostringstream out;
  for (size_t i = 0; i < lists.size(); ++i) {
    for (const MidiEvent& e : lists[i]) {
      out << i << " " << (e.kind == kSmfNoteOff ? "Off" : MidiEventKindName(e.kind)) << " tick "
          << e.tick << " note " << e.note << " value " << e.value << " " << e.value2 << " channel "
          << int{e.channel} << " pitch " << static_cast<char>(e.letter ? e.letter : '-')
          << int{e.octave} << " text \"" << std::string_view(e.text) << "\" data";
      for (uint8_t b : e.data) out << " " << int{b};
      out << "\n";
    }
  }
  return out.str();
}

// A case of the table: option words ("format0", "div=N", "all" for every kind of event), then
// ":" and the tracks (see ParseTrack). The output is the lists read, the song's texts and the
// listing of the import dialog. "varlen HEX..." reads a variable-length number.
std::string ReadAsText(const std::string& input) {
  if (input.rfind("varlen", 0) == 0) {
    std::istringstream in(input.substr(6));
    Bytes bytes;
    for (std::string hex; in >> hex;)
      bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
    SmfInput from(bytes.data(), bytes.size());
    uint32_t value = 0;
    const int code = ReadVarLen(from, value);
    return "code " + std::to_string(code) +
           (code ? "\n" : " value " + std::to_string(value) + "\n");
  }
  std::istringstream words(input.substr(0, input.find(':')));
  int format = 1, division = 480;
  SmfImportOptions options;
  for (std::string w; words >> w;) {
    if (w == "format0") format = 0;
    if (w.rfind("div=", 0) == 0) division = std::stoi(w.substr(4));
    if (w == "all") {
      options.programChange = options.controlChange = options.pitchBend = true;
      options.midiText = options.sysEx = true;
    }
  }
  const Bytes file = test::ParseSmf(format, division, input.substr(input.find(':') + 1));
  ReadResult r = Read(file, options);
  EXPECT_EQ(r.lists.size(), 16u) << input;
  std::string out = r.code == 0 ? Described(r.lists) : "code " + std::to_string(r.code) + "\n";
  out += "title \"" + r.job.title + "\" copyright \"" + r.job.copyright + "\" names";
  for (const std::string& name : r.job.trackNames) out += " \"" + name + "\"";
  SmfImportJob job;
  std::vector<SmfSourceLine> lines;
  EXPECT_EQ(ListSmfTracksFromBytes(file.data(), file.size(), job, lines), 0) << input;
  for (const SmfSourceLine& line : lines)
    out += "\nlisted " + line.text + " #" + std::to_string(line.listIndex);
  return out + "\n";
}

TEST(SmfReaderTest, ListsReadAsDescribed) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/smf/data/reader_lists.txt", ReadAsText);
}

TEST(SmfReaderTest, LyingOrCutLengthsKeepWhatWasRead) {
  // A chunk that claims 256 MiB, holding a meta that claims 0x0FFFFFFF bytes.
  Bytes file = MakeSmf(1, 96, {});
  file[11] = 2;  // two tracks declared
  Bytes chunk = {'M',  'T',  'r',  'k',  0x10, 0,    0,   0,   0x00,
                 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'};
  file.insert(file.end(), chunk.begin(), chunk.end());
  SmfImportOptions options;
  options.midiText = true;
  ReadResult r = Read(file, options);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.lists[0].size(), 1u);
  EXPECT_EQ(r.lists[0][0].text, "abc");
  EXPECT_EQ(r.job.chunks.size(), 1u);

  file = MakeSmf(1, 96, {test::ParseTrack("on 0 0 60, off 10 0 60, on 0 0 62", false)});
  file.resize(file.size() - 1);  // the last note-on loses its velocity
  file[18 + 3] = 200;            // and the chunk claims more than is left
  r = Read(file);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.lists[0].size(), 2u);
}

}  // namespace
}  // namespace kore
