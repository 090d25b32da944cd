// views_demo [SONG] [--silent] [--screenshot PATH --measure M]
// Shows every music view on a song (the built-in demo song without an argument) with the
// performance monitor beside, a track chooser and play/stop. It plays through the synthesizer,
// or silently into a recording device. With --screenshot it plays silently on a simulated clock
// up to the middle of measure M, holds the player there, grabs the screen and exits.
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "base/shift_jis.h"
#include "playback/output_setup.h"
#include "playback/play_list.h"
#include "song/loaded_song.h"
#include "song/song_file.h"
#include "views/event_list.h"
#include "views/measure_display.h"
#include "views/monitor.h"
#include "views/piano_keys.h"
#include "views/piano_roll.h"
#include "views/playback_refresh.h"
#include "views/player_bridge.h"

namespace kore {
namespace {

// Time moves only when the player reads it. Once the player reaches `holdTick`, the player
// thread waits there until Release(), so the views can be looked at mid-playback.
class HoldingClock : public PlayerClock {
 public:
  int64_t Frequency() override { return 1'000'000'000; }
  int64_t Counter() override {
    std::unique_lock lock(mutex_);
    if (player_ && holdTick_ >= 0 && player_->CurrentTick() >= holdTick_ && !released_) {
      held_ = true;
      cv_.wait(lock, [this] { return released_; });
    }
    now_ += 20'000;
    return now_;
  }
  int64_t Milliseconds() override {
    std::lock_guard lock(mutex_);
    return now_ / 1'000'000;
  }
  void SleepMs(int32_t ms) override {
    std::lock_guard lock(mutex_);
    now_ += int64_t{ms} * 1'000'000;
  }
  void HoldAt(const CMMLPlayer* player, int32_t tick) {
    std::lock_guard lock(mutex_);
    player_ = player;
    holdTick_ = tick;
  }
  bool Held() {
    std::lock_guard lock(mutex_);
    return held_;
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  const CMMLPlayer* player_ = nullptr;
  int32_t holdTick_ = -1;
  int64_t now_ = 0;
  bool held_ = false;
  bool released_ = false;
};

class DemoWindow : public QWidget {
 public:
  DemoWindow(CMMLDocument& document, CMMLPlayer& player, PlayerClock& clock)
      : document_(document), player_(player), state_(player, clock) {
    setWindowTitle("views_demo");
    setObjectName("viewsDemo");
    auto* chooser = new QComboBox;
    chooser->setObjectName("trackChooser");
    auto* chooserLabel = new QLabel(QString::fromUtf8("トラック(&T)"));
    chooserLabel->setBuddy(chooser);
    for (int32_t slot : document_.TrackOrder()) {
      if (slot < 0) break;
      chooser->addItem(QString::fromStdString(SjisToUtf8Lossy(document_.Track(slot).name)), slot);
    }
    auto* play = new QPushButton(QString::fromUtf8("再生(&P)"));
    auto* stop = new QPushButton(QString::fromUtf8("停止(&S)"));
    play->setObjectName("play");
    stop->setObjectName("stop");
    auto* bar = new QHBoxLayout;
    bar->addWidget(chooserLabel);
    bar->addWidget(chooser);
    bar->addWidget(play);
    bar->addWidget(stop);
    bar->addWidget(measure_ = new CDigitCtrl);
    bar->addWidget(keys_ = new CPianoKeyCtrl);
    bar->addStretch();
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(roll_ = new CPianoRollCtrl);
    split->addWidget(list_ = new CCodeListCtrl);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    measure_->setMinimumWidth(230);
    roll_->SetDocument(&document_);
    list_->SetDocument(&document_);
    monitor_.SetDocument(&document_);
    monitor_.SetPlayerState(&state_);
    refresh_ = new PlaybackViewRefresh(document_, state_,
                                       {roll_, list_, keys_, measure_, &monitor_}, this);
    timer_.setInterval(PlaybackViewRefresh::IntervalMs(60));
    connect(&timer_, &QTimer::timeout, refresh_, &PlaybackViewRefresh::Frame);
    connect(chooser, &QComboBox::currentIndexChanged, this, [this, chooser](int index) {
      document_.SetCurrentTrack(chooser->itemData(index).toInt());
    });
    connect(play, &QPushButton::clicked, this, [this] { Play(); });
    connect(stop, &QPushButton::clicked, this, [this] { player_.Stop(); });
    connect(roll_, &CPianoRollCtrl::notified, this, [this](int code, int, int tick, int) {
      if (code == CPianoRollCtrl::kNotifyStartPosition && !player_.IsPlaying())
        player_.SetStartPosition(tick);
    });
    connect(&bridge_, &PlayerBridge::finished, this, [this] { player_.HandleFinished(); });
    connect(&bridge_, &PlayerBridge::playingChanged, this, [this](bool playing) {
      roll_->SetPlaying(playing);
      if (playing) timer_.start();
      else timer_.stop();
    });
    connect(&bridge_, &PlayerBridge::positionShown, this, [this](int tick, int) {
      refresh_->ShowStopped(tick);
    });
    player_.SetObserver(&bridge_);
    player_.SetMessagePump([] { QCoreApplication::processEvents(); });
    resize(1100, 560);
  }

  void Play() {
    player_.SetSong(std::make_shared<PlaybackSong>(MakePlaybackSong(document_)));
    if (player_.StartPlayback(player_.PlayStartTick(), false) != 0)
      std::fprintf(stderr, "views_demo: no output device\n");
  }

  CMidiMoniterCtrl& Monitor() { return monitor_; }
  PlaybackViewRefresh& Refresh() { return *refresh_; }

 private:
  CMMLDocument& document_;
  CMMLPlayer& player_;
  views::PlayerStateOfPlayer state_;
  PlayerBridge bridge_;
  CPianoRollCtrl* roll_;
  CCodeListCtrl* list_;
  CPianoKeyCtrl* keys_;
  CDigitCtrl* measure_;
  CMidiMoniterCtrl monitor_;
  PlaybackViewRefresh* refresh_;
  QTimer timer_;
};

bool LoadSong(const QString& path, CMMLDocument& document) {
  const std::string file = path.isEmpty() ? std::string(KORE_DEMO_SONG) : path.toStdString();
  LoadedSong loaded;
  if (ReadSongFile(file, loaded) != 0) {
    std::fprintf(stderr, "views_demo: cannot read %s\n", file.c_str());
    return false;
  }
  LoadIntoDocument(loaded, document, file);
  return true;
}

// Plays silently to the middle of `measure`, holds there, grabs the screen into `path`.
int TakeScreenshot(DemoWindow& window, CMMLPlayer& player, HoldingClock& clock,
                   const CMMLDocument& document, int measure, const QString& path) {
  const int32_t perMeasure = document.GetTimeBase().TicksPerMeasure();
  clock.HoldAt(&player, measure * perMeasure + perMeasure / 2);
  window.Play();
  int result = 1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!clock.Held()) return;
    poll.stop();
    window.Refresh().Frame();
    QTimer::singleShot(300, [&] {
      QScreen* screen = QGuiApplication::primaryScreen();
      const bool saved = screen && screen->grabWindow(0).save(path);
      if (!saved) std::fprintf(stderr, "views_demo: cannot save %s\n", qPrintable(path));
      result = saved ? 0 : 1;
      clock.Release();
      player.StopPlayback();
      QCoreApplication::quit();
    });
  });
  poll.start(20);
  QApplication::exec();
  return result;
}

}  // namespace
}  // namespace kore

int main(int argc, char** argv) {
  using namespace kore;
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addPositionalArgument("SONG", "song file (.mml); the demo song without one");
  QCommandLineOption silent("silent", "play into a recording device, without sound");
  QCommandLineOption screenshot("screenshot", "grab the screen mid-playback into PATH", "PATH");
  QCommandLineOption measureOption("measure", "measure to grab at (with --screenshot)", "M", "4");
  parser.addOptions({silent, screenshot, measureOption});
  parser.process(app);

  CMMLDocument document;
  if (!LoadSong(parser.positionalArguments().value(0), document)) return 1;
  const bool grab = parser.isSet(screenshot);
  HoldingClock holdingClock;
  CMMLPlayer player(grab ? static_cast<PlayerClock*>(&holdingClock) : nullptr);
  PlayerClock& clock = grab ? static_cast<PlayerClock&>(holdingClock) : SystemPlayerClock();

  std::unique_ptr<CMidiDevice> device;
  if (grab || parser.isSet(silent)) {
    device = std::make_unique<CRecordingMidiDevice>();
    device->Open(0);
  } else {
    OutputSettings settings;
    if (CreateOutputDevice(settings, device) != 0) {
      std::fprintf(stderr, "views_demo: no synthesizer, playing silently\n");
      device = std::make_unique<CRecordingMidiDevice>();
      device->Open(0);
    }
  }
  for (int32_t slot = 0; slot < kTrackSlotCount; ++slot)
    InitChannel(device.get(), 0, slot, document.Track(slot));
  player.SetDevice(device.get());

  DemoWindow window(document, player, clock);
  window.move(0, 0);
  window.show();
  window.Monitor().MoveTo(window.frameGeometry().right() + 8, 0);
  window.Monitor().show();
  if (grab) {
    return TakeScreenshot(window, player, holdingClock, document,
                          parser.value(measureOption).toInt(), parser.value(screenshot));
  }
  const int result = QApplication::exec();
  player.StopPlayback();
  return result;
}
