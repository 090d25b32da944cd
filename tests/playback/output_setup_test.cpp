#include <gtest/gtest.h>

#include <memory>

#include "base/shift_jis.h"
#include "playback/midi_out_device.h"
#include "playback/output_setup.h"
#include "tests/playback/sent.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ResetMessages, EveryTypeSendsExactlyItsTableBytes) {
  const char* rows[][2] = {
      {"None", ""},
      {"GM System On", "F0 7E 7F 09 01 F7,"},
      {"GS Reset", "F0 41 10 42 12 40 00 7F 00 41 F7,"},
      {"XG System On", "F0 43 10 4C 00 00 7E 00 F7,"},
      {"Roland SC-88 Mode-1", "F0 41 10 42 12 00 00 7F 00 01 F7,"},
      {"Roland SD-80 Native", "F0 41 10 00 48 12 00 00 00 00 00 00 F7,"}};
  for (int type = 0; type < 6; ++type) {
    CRecordingMidiDevice device;
    EXPECT_EQ(device.Reset(type), 0);
    EXPECT_EQ(ResetTypeName(type), rows[type][0]);
    EXPECT_EQ(test::Sent(device.Messages()), rows[type][1]) << type;
  }
  CRecordingMidiDevice device;
  EXPECT_EQ(device.Reset(6), 1);
  EXPECT_EQ(device.Reset(-1), 1);
  EXPECT_TRUE(device.Messages().empty());
  device.SetFailing(true);
  EXPECT_EQ(device.Reset(1), 1);
}

TEST(ShortMessagePacking, StatusChannelAndSevenBitData) {
  EXPECT_EQ(PackShortMessage(0x90, 3, 60, 100), 0x00643C93u);
  EXPECT_EQ(PackShortMessage(0x95, 0x13, 0xFF, 0x80), 0x00007F93u);  // low nibble of status dropped
  EXPECT_EQ(ShortMessageLength(PackShortMessage(0xC0, 0, 5, 0)), 2);
  EXPECT_EQ(ShortMessageLength(PackShortMessage(0xE0, 0, 5, 0)), 3);
}

TEST(InitChannel, GameInstrumentsByOutputKindAndGmByIndex) {
  TrackProperties flute = TrackProperties::Fresh(2);
  flute.instrument = 3;  // フルート
  flute.volume = 90;
  flute.panpot = 20;
  CRecordingMidiDevice port;
  EXPECT_EQ(InitChannel(&port, 0, 2, flute), 0);
  EXPECT_EQ(test::Sent(port.Messages()), "C2 49,B2 07 5A,B2 0A 14,");
  for (int kind : {1, 3}) {
    CRecordingMidiDevice dls;
    EXPECT_EQ(InitChannel(&dls, kind, 2, flute), 0);
    EXPECT_EQ(test::Sent(dls.Messages()).substr(0, 6), "C2 05,");
  }
  CRecordingMidiDevice builtIn;
  InitChannel(&builtIn, 2, 2, flute);
  EXPECT_EQ(test::Sent(builtIn.Messages()).substr(0, 6), "C2 49,");

  EXPECT_EQ(ChannelProgram(7, 0), 0);
  EXPECT_EQ(ChannelProgram(134, 1), 127);
  EXPECT_EQ(ChannelProgram(0, 0), 105);
  EXPECT_EQ(ChannelProgram(0, 1), 0);
  EXPECT_EQ(ChannelProgram(6, 3), 4);
}

TEST(InitChannel, RefusesUnusedSlotsOutOfRangeAndNoDevice) {
  CRecordingMidiDevice device;
  TrackProperties unused;
  EXPECT_EQ(InitChannel(&device, 0, 4, unused), 1);
  TrackProperties used = TrackProperties::Fresh(4);
  EXPECT_EQ(InitChannel(&device, 0, 16, used), 1);
  EXPECT_EQ(InitChannel(&device, 0, -1, used), 1);
  EXPECT_EQ(InitChannel(nullptr, 0, 4, used), 1);
  EXPECT_TRUE(device.Messages().empty());
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

TEST(OpenFailureTexts, CodesAndFallback) {
  EXPECT_EQ(OpenFailureMessage(3), Sjis("DirectMusicの出力ポートのオープンに失敗しました。\n\nMIDI設定を開きますか？"));
  EXPECT_EQ(OpenFailureMessage(99), Sjis("想定外のエラーが発生しました。\n\nMIDI設定を開きますか？"));
}

TEST(OutputChoices, MapperFirstAndSelectionFollowsSettings) {
  std::vector<OutputChoice> choices = {{"mapper", 0, -1}, {"port A", 0, 0}, {"port B", 0, 1},
                                       {"synth", 2, -1}, {"dls", 1, -1}};
  OutputSettings s;
  EXPECT_EQ(SelectedOutputChoice(choices, s), 0);
  s.port = 1;
  EXPECT_EQ(SelectedOutputChoice(choices, s), 2);
  s.port = 7;  // a port that is gone
  EXPECT_EQ(SelectedOutputChoice(choices, s), 0);
  s.outputDls = 3;
  EXPECT_EQ(SelectedOutputChoice(choices, s), 4);
  s.outputDls = 2;
  EXPECT_EQ(SelectedOutputChoice(choices, s), 3);
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
