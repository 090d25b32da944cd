#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "base/shift_jis.h"
#include "playback/offline_renderer.h"
#include "playback/synth_device.h"
#include "playback/wave_export.h"
#include "playback/wave_writer.h"
#include "tests/playback/song_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wave_file_reader.h"

namespace kore {
namespace {

namespace fs = std::filesystem;

class SynthTest : public ::testing::Test {
 protected:
  // `frames` frames rendered after a note-on of `program`, the note then released.
  std::vector<int16_t> AfterNote(CFluidSynthDevice& synth, int program, int frames) {
    synth.ShortMessage(0xC0, 0, static_cast<uint8_t>(program), 0);
    synth.ShortMessage(0x90, 0, 69, 127);
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * synth.Settings().channels);
    synth.Render(pcm.data(), frames);
    synth.ShortMessage(0x80, 0, 69, 0);
    return pcm;
  }
  double PeakAfterNote(CFluidSynthDevice& synth, int program, int frames) {
    int peak = 0;
    for (int16_t s : AfterNote(synth, program, frames)) peak = std::max(peak, std::abs(int{s}));
    return peak;
  }
  // Upward zero crossings of the left channel.
  int UpCrossings(CFluidSynthDevice& synth, int program, int frames) {
    const std::vector<int16_t> pcm = AfterNote(synth, program, frames);
    const size_t channels = static_cast<size_t>(synth.Settings().channels);
    int count = 0;
    for (size_t i = channels; i < pcm.size(); i += channels) count += pcm[i - channels] < 0 && pcm[i] >= 0;
    return count;
  }
  // Opens a synthesizer with the test bank: offline, or on the silent audio output.
  void Open(CFluidSynthDevice& synth, bool offline = true) {
    ASSERT_EQ(offline ? synth.OpenOffline() : synth.Open(0), 0);
    ASSERT_EQ(synth.LoadInstruments(bank_), 0);
  }
  // A synthesizer on the silent audio output, with the player playing `song` into it. (An
  // aborted export is the WAVE export dialog's test.)
  void OpenRealTime(SynthSettings settings, std::shared_ptr<PlaybackSong> song) {
    settings.audioDriver = kSilentAudioDriver;
    synth_ = std::make_unique<CFluidSynthDevice>(settings);
    Open(*synth_, false);
    player_.SetSong(std::move(song));
    player_.SetDevice(synth_.get());
  }
  test::TempDir dir_;
  std::unique_ptr<CFluidSynthDevice> synth_;
  CMMLPlayer player_;  // declared after the synthesizer: stops before it goes
  // One looped sine wave at programs 0 and 5.
  const std::string bank_ = KORE_SOURCE_DIR "/tests/playback/data/tiny.dls";
};

TEST_F(SynthTest, ATinyDlsBankLoadsAndSoundsAtItsPrograms) {
  SynthSettings settings;
  settings.reverb = settings.chorus = settings.delay = false;
  CFluidSynthDevice synth(settings);
  Open(synth);
  auto instruments = synth.InstrumentList();
  ASSERT_EQ(instruments.size(), 2u);
  EXPECT_EQ(instruments[0].second, 0);
  EXPECT_EQ(instruments[1].second, 5);
  // An exclusive of an exact length reaches the synthesizer unframed: an octave tuning of
  // +63 cents on every channel raises the pitch by 3.7 %.
  const int before = UpCrossings(synth, 0, 22050);
  uint8_t tuning[21] = {0xF0, 0x7F, 0x7F, 0x08, 0x08, 0x03, 0x7F, 0x7F};
  std::fill(tuning + 8, tuning + 20, 0x7F);
  tuning[20] = 0xF7;
  EXPECT_EQ(synth.LongMessage(tuning, sizeof tuning), 0);
  EXPECT_NEAR(UpCrossings(synth, 0, 22050), before * 1.037, 3) << before;
  EXPECT_GT(PeakAfterNote(synth, 5, 4410), 1000);
  EXPECT_EQ(synth.LoadInstruments(dir_.File("missing.dls")), 1);
}

TEST_F(SynthTest, AnAudioOutputThatCannotOpenLeavesNothingHalfOpen) {
  SynthSettings settings;
  settings.audioDriver = "no-such-driver";
  CFluidSynthDevice synth(settings);
  EXPECT_EQ(synth.Open(0), kSynthOutputFailed);
  EXPECT_FALSE(synth.IsOpen());
  EXPECT_EQ(synth.ShortMessage(0x90, 0, 60, 100), 1);
  EXPECT_EQ(synth.LoadInstruments(bank_), 1);
  EXPECT_EQ(synth.StartRecording(dir_.File("x.wav")), 1);
  EXPECT_FALSE(fs::exists(dir_.File("x.wav")));
  const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_EQ(synth.LongMessage(gm, sizeof gm), 1);
}

TEST_F(SynthTest, VolumeInHundredthsOfADecibelScalesTheOutput) {
  for (auto [volume, centibels] : {std::pair{100, 0}, {0, -3333}, {50, -1666}, {150, 0}, {-5, 0}})
    EXPECT_EQ(VolumeToCentibels(volume), centibels) << volume;
  SynthSettings settings;
  settings.reverb = settings.chorus = settings.delay = false;
  double peaks[2];
  for (int i = 0; i < 2; ++i) {
    settings.volume = i == 0 ? 100 : 0;
    CFluidSynthDevice synth(settings);
    Open(synth);
    peaks[i] = PeakAfterNote(synth, 0, 4410);
  }
  EXPECT_NEAR(peaks[1] / peaks[0], std::pow(10.0, -3333 / 2000.0), 0.003);
}

TEST_F(SynthTest, DelayRepeatsAShortNoteAfterItEnds) {
  // A 20 ms note, then silence: with the delay on, an echo arrives about 120 ms later.
  double echo[2];
  for (int withDelay = 0; withDelay < 2; ++withDelay) {
    SynthSettings settings;
    settings.reverb = settings.chorus = false;
    settings.delay = withDelay == 1;
    settings.sampleRate = 22050;
    CFluidSynthDevice synth(settings);
    Open(synth);
    std::vector<int16_t> pcm(22050 * 2);
    synth.ShortMessage(0x90, 0, 69, 127);
    synth.Render(pcm.data(), 441);
    synth.ShortMessage(0x80, 0, 69, 0);
    synth.ShortMessage(0xB0, 0, 120, 0);  // all sound off: nothing but the delay line is left
    synth.Render(pcm.data(), 22050);
    double energy = 0;
    for (int i = 2 * 2205; i < 2 * 4410; ++i) energy += static_cast<double>(pcm[i]) * pcm[i];
    echo[withDelay] = energy;
  }
  EXPECT_LT(echo[0], 1e3);
  EXPECT_GT(echo[1], 1e6);
}

TEST_F(SynthTest, SampleRatesAndChannelsOfTheSettings) {
  for (auto [index, rate] : {std::pair{0, 8000}, {3, 44100}, {4, 22050}, {-1, 22050}}) {
    EXPECT_EQ(SampleRateFromIndex(index), rate) << index;
  }
  SynthSettings settings;
  settings.sampleRate = 11025;
  settings.channels = 1;
  EXPECT_EQ(CFluidSynthDevice(settings).Format().blockAlign, 2);
  EXPECT_EQ(CFluidSynthDevice(settings).Format().samplesPerSecond, 11025u);
  settings.sampleRate = 12345;  // not offered: falls back to 44100
  EXPECT_EQ(CFluidSynthDevice(settings).Format().samplesPerSecond, 44100u);
}

TEST(WaveWriter, HeaderSizesMatchTheFileAndTheFileAppearsOnlyWhenComplete) {
  test::TempDir dir;
  const std::string path = dir.File("out.wav");
  {
    std::ofstream old(path);
    old << "previous contents";
  }
  CWaveWriter writer;
  ASSERT_EQ(writer.StartRecording(path, WaveFormat::Pcm16(8000, 1)), 0);
  EXPECT_EQ(writer.StartRecording(path, WaveFormat::Pcm16(8000, 1)), 1);
  std::vector<int16_t> samples(1001, 1234);
  writer.Append(samples.data(), samples.size() * 2);
  writer.Append(samples.data(), 1);  // odd byte counts are kept as they come
  {
    std::ifstream still(path);
    std::string text((std::istreambuf_iterator<char>(still)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "previous contents");
  }
  ASSERT_EQ(writer.StopRecording(), 0);
  auto wave = test::ReadWave(path);
  ASSERT_TRUE(wave.ok) << wave.problem;
  EXPECT_EQ(wave.formatBytes, 18u);
  EXPECT_EQ(wave.riffSize, wave.fileSize - 8);
  EXPECT_EQ(wave.dataSize, wave.fileSize - 28 - wave.formatBytes);
  EXPECT_EQ(wave.dataSize, 2003u);
  EXPECT_EQ(wave.sampleRate, 8000u);
  EXPECT_EQ(wave.channels, 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

  // A discarded recording leaves the file that was there.
  ASSERT_EQ(writer.StartRecording(path, WaveFormat::Pcm16(44100, 2)), 0);
  writer.Append(samples.data(), 100);
  writer.Discard();
  EXPECT_EQ(test::ReadWave(path).dataSize, 2003u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  EXPECT_EQ(writer.StartRecording(dir.File("no/such/folder.wav"), WaveFormat{}), 1);
  EXPECT_EQ(writer.StopRecording(), 0);  // nothing recording
}

// Two seconds at 120 bpm: notes on tracks 0 (a game instrument, lute: game id 0 with a DLS
// bank) and 1.
std::shared_ptr<PlaybackSong> TwoSecondSong() {
  test::SongBuilder b;
  for (int i = 0; i < 8; ++i) b.Note(0, i * 16, 16, 60 + i);
  b.Note(1, 0, 128, 48).End(0, 128).End(1, 128);
  auto song = b.Build();
  song->slots[1].instrument = 3;  // flute: program 5 in the bank
  return song;
}

TEST_F(SynthTest, OfflineRenderingLastsTheSongPlusOneSecondAtBothExtremeFormats) {
  auto song = TwoSecondSong();
  for (auto [rate, channels] : {std::pair{8000, 1}, {44100, 2}}) {
    RenderOptions options;
    options.synth.sampleRate = rate;
    options.synth.channels = channels;
    options.outputDls = 1;
    options.bankPath = bank_;
    const std::string path = dir_.File("song" + std::to_string(rate) + ".wav");
    int32_t lastProgress = -1, progressEnd = -1;
    auto progress = [&](int32_t tick, int32_t last) { return lastProgress = tick, progressEnd = last, true; };
    RenderResult result;
    ASSERT_EQ(RenderSongToWave(*song, options, path, progress, &result), 0) << result.error;
    EXPECT_EQ(lastProgress, 128);
    EXPECT_EQ(progressEnd, 128);
    auto wave = test::ReadWave(path);
    ASSERT_TRUE(wave.ok) << wave.problem;
    EXPECT_EQ(wave.sampleRate, static_cast<uint32_t>(rate));
    EXPECT_EQ(wave.channels, channels);
    // The last record falls due half a tick before tick 128 (1.9921875 s); then 1 s of tail.
    EXPECT_NEAR(static_cast<double>(wave.Frames()), (1.9921875 + 1.0) * rate, 64.0 + 1.0);
    EXPECT_EQ(wave.Frames(), result.frames);
    EXPECT_GT(wave.PeakAbs(), 1000);
    // The tail decays: the last 0.1 s is quieter than the song.
    const auto loudest = std::max_element(wave.samples.end() - rate / 10 * channels, wave.samples.end(),
                                          [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); });
    EXPECT_LT(std::abs(*loudest), wave.PeakAbs() / 4);
  }
}

TEST_F(SynthTest, OfflineRenderingFailuresLeaveNoFile) {
  auto song = TwoSecondSong();
  RenderOptions options;
  options.outputDls = 1;
  options.bankPath = dir_.File("missing.dls");
  RenderResult result;
  EXPECT_EQ(RenderSongToWave(*song, options, dir_.File("a.wav"), {}, &result), kSynthBankFailed);
  EXPECT_FALSE(fs::exists(dir_.File("a.wav")));
  options.bankPath = bank_;
  EXPECT_EQ(RenderSongToWave(*song, options, dir_.File("none/a.wav"), {}, &result), kRenderFileFailed);
  EXPECT_EQ(RenderSongToWave(*song, options, dir_.File("b.wav"), [](int32_t, int32_t) { return false; },
                             &result),
            1);
  EXPECT_TRUE(fs::is_empty(dir_.Path()));  // no file, no temporary left behind
}

TEST_F(SynthTest, RealTimeExportHeadlessRecordsTheSongAndItsTail) {
  SynthSettings settings;
  settings.sampleRate = 22050;
  OpenRealTime(settings, test::SongBuilder().Tempo(0, 0, 240).Note(0, 0, 32, 69).Note(0, 32, 32, 72)
                             .End(0, 64).Build());  // 0.5 s
  int32_t slept = 0;
  CWaveExport exporter(player_, *synth_, [&](int32_t ms) {
    slept += ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  });
  const std::string path = dir_.File("rt.wav");
  ASSERT_EQ(exporter.Start(path), 0);
  EXPECT_EQ(exporter.ProgressMax(), 64);
  auto state = CWaveExport::State::Exporting;
  int32_t progress = 0;
  for (int i = 0; i < 100 && state == CWaveExport::State::Exporting; ++i) {
    if (player_.WaitForFinish(200)) player_.HandleFinished();
    state = exporter.OnTimer();
    progress = std::max(progress, exporter.Progress());
  }
  ASSERT_EQ(state, CWaveExport::State::Finished);
  EXPECT_GT(progress, 0);
  EXPECT_LE(progress, 64);
  EXPECT_EQ(slept, 1000);
  auto wave = test::ReadWave(path);
  ASSERT_TRUE(wave.ok);
  EXPECT_EQ(wave.sampleRate, 22050u);
  EXPECT_EQ(wave.dataSize, wave.fileSize - 28 - wave.formatBytes);
  const double seconds = static_cast<double>(wave.Frames()) / 22050;
  // 0.5 s of song and the 1 s tail, paced by the wall clock (a loaded machine may lag a little).
  EXPECT_GT(seconds, 1.0);
  EXPECT_LT(seconds, 3.0);
  EXPECT_GT(wave.PeakAbs(), 1000);
}

TEST(WaveExportTexts, ProposedNamesAndElapsedTime) {
  for (auto [path, title, name] : {std::tuple{"/music/songs/a.mml", "Song", "/music/songs/a.wav"},
                                   {"", "Song", "Song.wav"}, {"", "", "NoTitle.wav"},
                                   {"", "../../etc/x", ".._.._etc_x.wav"}})
    EXPECT_EQ(ProposedWaveFileName(path, title), name) << title;
  EXPECT_EQ(ExportElapsedText(754321), Sjis("出力時間  12:34.321"));
}

}  // namespace
}  // namespace kore
