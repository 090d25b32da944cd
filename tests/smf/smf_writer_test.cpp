// Writing Standard MIDI Files. The layout of whole exported songs (set-up events, lead-in,
// note pairs) is checked by reading them with an independent library in check_cli_files.py;
// these pin the event rules and the edges that the fixtures do not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/shift_jis.h"
#include "smf/smf_writer.h"
#include "smf_builder.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using test::Bytes;

// A case of the table: "mml TICKS BEATS UNIT TEXT", a song's first track at that time base, or
// records of the first track separated by ",", each "KIND TICK LENGTH VALUE NOTE VALUE2 [DATA]"
// (the kind by MidiEventKindName, data bytes in hex). The output is the file in hex, a chunk a
// line.
std::string WrittenAsHex(const std::string& input) {
  std::istringstream words(input);
  std::string kind;
  Bytes file;
  if (input.rfind("mml ", 0) == 0) {
    int32_t ticks = 0, beats = 0, unit = 0;
    std::string text;
    std::getline(words >> kind >> ticks >> beats >> unit >> std::ws, text);
    CMMLDocument doc;
    doc.NewSong(1, 32);
    if (doc.SetTimeBase(ticks, beats, unit) != 0) return "time base refused\n";
    doc.SetTrackText(0, text);
    file = BuildSmf(MakeSmfExportRequest(doc, "x.mid", 1));
  } else {
    SmfExportRequest request;
    request.slots[0] = TrackProperties::Fresh(0);
    for (std::string record; std::getline(words, record, ',');) {
      std::istringstream in(record);
      MidiEvent e;
      in >> kind >> e.tick >> e.length >> e.value >> e.note >> e.value2;
      for (int k = 0; k < 32; ++k)
        if (kind == MidiEventKindName(static_cast<MidiEventKind>(k)))
          e.kind = static_cast<MidiEventKind>(k);
      Bytes data;
      for (std::string hex; in >> hex;)
        data.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
      e.data = data;
      request.trackEvents[0].push_back(e);
    }
    file = BuildSmf(request);
  }
  std::string out;
  for (size_t i = 0; i < file.size(); ++i) {
    if (i > 0 && i + 4 <= file.size() && std::equal(file.begin() + i, file.begin() + i + 4, "MTrk"))
      out += "\n";
    out += {"0123456789abcdef"[file[i] >> 4], "0123456789abcdef"[file[i] & 15]};
  }
  return out + "\n";
}

TEST(SmfWriterTest, FilesOfTheTable) {
  test::CheckGolden(std::string(KORE_SOURCE_DIR) + "/tests/smf/data/writer_files.txt",
                    WrittenAsHex);
}

TEST(SmfWriterTest, ReplacesTheFileWholeOrNotAtAll) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  doc.SetTrackText(0, "t150 o5 c8 d8 e4");
  test::TempDir dir;
  const std::string path = dir.File("song.mid");
  std::ofstream(path, std::ios::binary) << std::string(4096, 'x');  // an older, longer file
  SmfExportRequest request = MakeSmfExportRequest(doc, path, 1);
  ASSERT_EQ(WriteSmf(request), 0);
  std::ifstream in(path, std::ios::binary);
  Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, BuildSmf(request));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path().string()), {}),
            1);  // no temp left
  request.path = dir.File("missing/x.mid");
  EXPECT_EQ(WriteSmf(request), 1);
}

TEST(SmfWriterTest, SuggestedPathTitleAndFormat) {
  CMMLDocument doc;
  doc.NewSong(1, 32);
  EXPECT_EQ(SuggestSmfExportPath(doc), "NoTitle.mid");
  EXPECT_EQ(MakeSmfExportRequest(doc, "x.mid", 1).title, Sjis("無題"));
  doc.SetSongTexts(Sjis("曲/名"), "", "");
  EXPECT_EQ(SuggestSmfExportPath(doc), "曲_名.mid");
  doc.SetPath("/home/u/songs/a.b.mml");
  EXPECT_EQ(SuggestSmfExportPath(doc), "/home/u/songs/a.b.mid");
  SmfExportRequest request = MakeSmfExportRequest(doc, "x.mid", 7);
  EXPECT_EQ(request.format, 1);
  EXPECT_EQ(request.title, Sjis("曲/名"));
  EXPECT_EQ(MakeSmfExportRequest(doc, "x.mid", 0).format, 0);
}

}  // namespace
}  // namespace kore
