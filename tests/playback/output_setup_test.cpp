#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "base/shift_jis.h"
#include "playback/midi_out_device.h"
#include "playback/output_setup.h"
#include "tests/playback/sent.h"
#include "tests/support/golden.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using Bytes = std::vector<uint8_t>;

// Cases of data/output.txt: "reset T" sends reset type T to a recording device (its name when
// known), "init KIND SLOT INSTRUMENT VOLUME PAN" sets up a channel for an output kind ("unused
// KIND SLOT": a slot not in use; "nodevice": none to send to), "program INSTRUMENT KIND" the
// program a game instrument gets, "pack STATUS CHANNEL D1 D2" a packed message and its length,
// "failure CODE" the question after a failed open, "choice PORT DLS" the output listed as chosen
// among mapper, ports A and B, the built-in set and a bank. Each shows the answer and the bytes sent.
std::string OutputCase(const std::string& line) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  std::vector<int32_t> v;
  for (int32_t x; in >> x;) v.push_back(x);
  v.resize(5);
  CRecordingMidiDevice device;
  std::ostringstream out;
  if (command == "reset") {
    const int result = device.Reset(v[0]);
    out << result << " " << (result == 0 ? ResetTypeName(v[0]) : "-");
  } else if (command == "init" || command == "unused" || command == "nodevice") {
    TrackProperties slot = command == "unused" ? TrackProperties{} : TrackProperties::Fresh(v[1]);
    slot.instrument = v[2];
    slot.volume = v[3];
    slot.panpot = v[4];
    out << InitChannel(command == "nodevice" ? nullptr : &device, v[0], v[1], slot);
  } else if (command == "program") {
    out << ChannelProgram(v[0], v[1]);
  } else if (command == "failure") {
    for (char c : SjisToUtf8Lossy(OpenFailureMessage(v[0]))) out << (c == '\n' ? "\\n" : std::string(1, c));
  } else if (command == "choice") {
    OutputSettings s;
    s.port = v[0];
    s.outputDls = v[1];
    out << SelectedOutputChoice(
        {{"mapper", 0, -1}, {"port A", 0, 0}, {"port B", 0, 1}, {"synth", 2, -1}, {"dls", 1, -1}}, s);
  } else if (command == "pack") {
    const uint32_t packed = PackShortMessage(uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2]), uint8_t(v[3]));
    out << std::hex << std::uppercase << packed << std::dec << " length " << ShortMessageLength(packed);
  } else {
    out << "unknown command";
  }
  return out.str() + " " + test::Sent(device.Messages()) + "\n";
}

TEST(ChannelMessages, Cases) {
  test::CheckGolden(KORE_SOURCE_DIR "/tests/playback/data/output.txt", OutputCase);
  CRecordingMidiDevice device;
  device.SetFailing(true);
  EXPECT_EQ(device.Reset(1), 1);
}

class OpenOutputTest : public ::testing::Test {
 protected:
  OpenOutputTest() {
    slots_[0] = TrackProperties::Fresh(0);
    slots_[5] = TrackProperties::Fresh(5);
    settings_.audioDriver = kSilentAudioDriver;
    hooks_.sleep = [this](int32_t ms) { sleeps_.push_back(ms); };
    hooks_.notifier = &notifier_;
  }
  test::TempDir dir_;
  std::array<TrackProperties, kTrackSlotCount> slots_;
  OutputSettings settings_;
  OutputOpenHooks hooks_;
  CollectingNotifier notifier_;
  std::vector<int32_t> sleeps_;
};

TEST_F(OpenOutputTest, MissingBankAsksAndRetriesWithUnchangedSettingsUntilNo) {
  settings_.outputDls = 1;
  settings_.dlsFilePath = dir_.File("missing.dls");
  std::vector<std::string> asked;
  hooks_.askOpenSettings = [&](const std::string& message, const std::string& caption, OutputSettings&) {
    asked.push_back(message);
    EXPECT_EQ(caption, Sjis("KOR EDITOR MIDI出力先のオープンに失敗"));
    return asked.size() < 2;  // Yes (settings left as they were), then No
  };
  std::unique_ptr<CMidiDevice> device;
  EXPECT_EQ(OpenOutput(device, settings_, slots_, hooks_), 1);
  EXPECT_FALSE(device);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], Sjis("DLSファイルの読み込みに失敗しました。\nDLSファイルの設定を見直してください。\n\nMIDI設定を開きますか？"));
  EXPECT_EQ(asked[1], asked[0]);
}

TEST_F(OpenOutputTest, SettingsChangedInTheDialogAreUsedForTheRetry) {
  const std::string bank = KORE_SOURCE_DIR "/tests/playback/data/tiny.dls";
  settings_.outputDls = 1;
  settings_.dlsFilePath = dir_.File("missing.dls");
  settings_.resetType = 0;
  hooks_.askOpenSettings = [&](const std::string&, const std::string&, OutputSettings& s) {
    s.dlsFilePath = bank;
    return true;
  };
  std::unique_ptr<CMidiDevice> device;
  ASSERT_EQ(OpenOutput(device, settings_, slots_, hooks_), 0);
  ASSERT_TRUE(device);
  EXPECT_EQ(sleeps_, (std::vector<int32_t>{10, 10}));  // reset type 0: no 100 ms wait
  EXPECT_EQ(OpenOutput(device, settings_, slots_, hooks_), 0);  // already open: nothing again
  EXPECT_EQ(sleeps_.size(), 2u);
  device->Close();
}

TEST_F(OpenOutputTest, ResetWaitsAndEachSetUpSlotPauses) {
  settings_.outputDls = 2;
  settings_.resetType = 2;
  setenv("KORE_SOUNDFONT", KORE_SOURCE_DIR "/tests/playback/data/tiny.dls", 1);  // a small built-in set keeps the test fast
  std::unique_ptr<CMidiDevice> device;
  EXPECT_EQ(OpenOutput(device, settings_, slots_, hooks_), 0);
  unsetenv("KORE_SOUNDFONT");
  EXPECT_EQ(sleeps_, (std::vector<int32_t>{100, 10, 10}));
  EXPECT_TRUE(notifier_.messages.empty());
}

TEST(OutputChoices, TheSystemListsTheMapperFirst) {
  auto real = ListOutputChoices();
  ASSERT_FALSE(real.empty());
  EXPECT_EQ(real.front().port, -1);
}

// A port layer whose long messages can be made never to complete.
class FakePort : public MidiPortBackend {
 public:
  bool Open(uint32_t port) override { return open_ = port < 2; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  bool Send(const uint8_t* bytes, size_t count) override {
    sent.emplace_back(bytes, bytes + count);
    return true;
  }
  bool LongDone() override { return completes; }
  void Reset() override { resets++; }
  bool completes = true;
  int resets = 0;
  std::vector<Bytes> sent;
  bool open_ = false;
};

TEST(MidiOutDevice, LongMessageWaitIsBoundedAndClosedPortFails) {
  auto backend = std::make_unique<FakePort>();
  FakePort* port = backend.get();
  CMidiOutDevice device(std::move(backend), 50);
  const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_EQ(device.LongMessage(sysex, sizeof sysex), 1);  // nothing open: not even sent
  EXPECT_TRUE(port->sent.empty());
  EXPECT_EQ(device.Open(-1), 1);
  EXPECT_EQ(device.Open(5), 1);
  ASSERT_EQ(device.Open(1), 0);
  EXPECT_EQ(device.LongMessage(sysex, sizeof sysex), 0);
  port->completes = false;
  EXPECT_EQ(device.LongMessage(sysex, sizeof sysex), 1);
  EXPECT_EQ(device.ShortMessage(0xC0, 4, 73, 0), 0);
  EXPECT_EQ(port->sent.back(), (Bytes{0xC4, 73}));
  device.Close();
  EXPECT_EQ(port->resets, 1);
  EXPECT_EQ(device.ShortMessage(0x90, 0, 60, 100), 1);
}

}  // namespace
}  // namespace kore
