// Reading Standard MIDI Files: chunk headers, events, options and lying or cut lengths, as
// described in data/reader_lists.txt.
#include <gtest/gtest.h>

#include <sstream>

#include "smf/smf_reader.h"
#include "smf_builder.h"
#include "tests/support/golden.h"

namespace kore {
namespace {

using test::Bytes;
using test::CheckGolden;

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

// A case of the table: option words ("format0", "div=N", "all" for every kind of event,
// "poke=AT,BYTE" to change a byte of the file, "keep=N" to keep its first N bytes or, when
// negative, to drop its last -N), then ":" and the tracks (see ParseTrack). The output is the
// lists read (or the failure codes of reading and of listing), the time base, chunk count and
// texts of the song, and the listing of the import dialog. "varlen HEX..." reads a
// variable-length number.
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
  SmfImportJob job;
  std::vector<std::pair<size_t, int>> pokes;
  long keep = 0;  // 0: the whole file
  for (std::string w; words >> w;) {
    const std::string value = w.substr(w.find('=') + 1);
    if (w == "format0") format = 0;
    if (w.rfind("div=", 0) == 0) division = std::stoi(value);
    if (w.rfind("keep=", 0) == 0) keep = std::stol(value);
    if (w.rfind("poke=", 0) == 0)
      pokes.emplace_back(std::stoul(value), std::stoi(value.substr(value.find(',') + 1)));
    if (w == "all") {
      job.options.programChange = job.options.controlChange = job.options.pitchBend = true;
      job.options.midiText = job.options.sysEx = true;
    }
  }
  Bytes file = test::ParseSmf(format, division, input.substr(input.find(':') + 1));
  for (auto [at, value] : pokes) file.at(at) = static_cast<uint8_t>(value);
  if (keep != 0) file.resize(static_cast<size_t>(keep > 0 ? keep : std::ssize(file) + keep));
  std::vector<MidiEventList> lists;
  const int code = ReadSmf(file.data(), file.size(), job, lists);
  SmfImportJob listedJob;
  std::vector<SmfSourceLine> listed;
  const int listing = ListSmfTracksFromBytes(file.data(), file.size(), listedJob, listed);
  if (code != 0 || listing != 0)
    return "code " + std::to_string(code) + " listing " + std::to_string(listing) + "\n";
  EXPECT_EQ(lists.size(), 16u) << input;
  std::string out = Described(lists) + "ticks " + std::to_string(job.ticksPerQuarter) + " chunks " +
                    std::to_string(job.chunks.size()) + " title \"" + job.title +
                    "\" copyright \"" + job.copyright + "\" names";
  for (const std::string& name : job.trackNames) out += " \"" + name + "\"";
  for (const SmfSourceLine& line : listed)
    out += "\nlisted " + line.text + " #" + std::to_string(line.listIndex);
  return out + "\n";
}

TEST(SmfReaderTest, ListsReadAsDescribed) {
  CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/smf/data/reader_lists.txt", ReadAsText);
}

}  // namespace
}  // namespace kore
