#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "playback/mml_player.h"
#include "tests/playback/sent.h"
#include "tests/playback/song_builder.h"
#include "tests/support/golden.h"
#include "tests/support/sim_clock.h"

namespace kore {
namespace {

using test::SimClock;
using test::SongBuilder;

// The player on a simulated clock, driven by the lines of data/player.txt (their header says
// what each does). Every run shows the observer's events, the time the player thread ended, the
// start position, what the scheduled probes saw and the messages sent with their times.
class PlayerScript : public PlayerObserver {
 public:
  PlayerScript() : device_([this] { return clock_.Now(); }), player_(&clock_) {
    player_.SetObserver(this);
    player_.SetDevice(&device_);
  }

  std::string Run(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "song") return Song(in);
    if (command == "at") return At(in);
    if (command == "loops") in >> loopsBeforeOff_;
    else if (command == "stoponseek") stopOnSeek_ = true;
    else if (command == "all") allMessages_ = true;
    else if (command == "nodevice") player_.SetDevice(nullptr);
    else if (command == "noopener") player_.SetDeviceOpener([] { return nullptr; });
    else if (command == "run" || command == "loop") {
      int32_t from = 0;
      in >> from;
      player_.SetSong(song_);
      if (player_.StartPlayback(from, command == "loop") != 0)
        return player_.IsPlaying() || player_.IsBusy() ? "refused STILL BUSY\n" : "refused\n";
      return Finish();
    } else if (command == "play") {
      player_.Play();
      return Finish();
    } else if (Action(command, in)) {
      return "start " + std::to_string(player_.PlayStartTick()) + "\n";
    } else if (int32_t slot = -1; in >> slot && slot >= 0) {
      return command + " " + std::to_string(slot) + " = " + Probe(command, slot) + "\n";
    } else {
      return "unknown command\n";
    }
    return "ok\n";
  }

  void PlayerStarted() override { Add("Started"); }
  void PlayerSeeked(int32_t tick) override {
    Add("Seeked " + std::to_string(tick));
    if (stopOnSeek_) player_.Stop();
  }
  void PlayerLooped(int32_t tick) override {
    Add("Looped " + std::to_string(tick));
    if (--loopsBeforeOff_ == 0) player_.SetLoop(false);
  }
  void PlayerFinished(uint64_t) override { Add("Finished"); }

 private:
  void Add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_ += (events_.empty() ? "" : " ") + event;
  }

  // Items "kind:track,tick,...": n note (length, key, optional volume step; "*N" repeats it N
  // times one length apart), t tempo, c controller, p program, b bend, x sysex (its bytes in
  // hex), e end of track, m mute the track; a lone number is the ticks per quarter.
  std::string Song(std::istream& in) {
    std::string item;
    std::vector<std::string> items;
    int32_t tpq = 32;
    while (in >> item) {
      if (std::isdigit(static_cast<unsigned char>(item[0]))) tpq = std::stoi(item);
      else items.push_back(item);
    }
    SongBuilder b(tpq);
    for (const std::string& it : items) {
      std::vector<int32_t> v;
      int32_t repeat = 1;
      std::istringstream fields(it.substr(2));
      for (std::string f; std::getline(fields, f, ',');) {
        const size_t star = f.find('*');
        if (star != std::string::npos) repeat = std::stoi(f.substr(star + 1));
        v.push_back(std::stoi(f.substr(0, star), nullptr, it[0] == 'x' && v.size() >= 2 ? 16 : 10));
      }
      switch (it[0]) {
        case 'n':
          for (int32_t i = 0; i < repeat; ++i)
            b.Note(v[0], v[1] + i * v[2], v[2], v[3], v.size() > 4 ? v[4] : 15);
          break;
        case 't': b.Event(v[0], MidiEventKind::Tempo, v[1], v[2]); break;
        case 'c': b.Event(v[0], MidiEventKind::ControlChange, v[1], v[2], v[3]); break;
        case 'p': b.Event(v[0], MidiEventKind::ProgramChange, v[1], v[2]); break;
        case 'b': b.Event(v[0], MidiEventKind::PitchBend, v[1], v[2], v[3]); break;
        case 'e': b.End(v[0], v[1]); break;
        case 'm': b.Muted(v[0]); break;
        case 'x': b.SysEx(v[0], v[1], {v.begin() + 2, v.end()}); break;
        default: return "unknown item " + it + "\n";
      }
    }
    song_ = b.Build();
    player_.SetSong(song_);
    return "ok\n";
  }

  // "at MS what": a transport command or a probe on the player thread once the clock passes
  // MS (with "+", counted from now).
  std::string At(std::istream& in) {
    std::string when, what;
    in >> when >> what;
    std::string arg;
    in >> arg;
    const bool relative = when[0] == '+';
    const int64_t ns = static_cast<int64_t>(std::stod(when.substr(relative)) * 1e6 + 0.5) +
                       (relative ? clock_.Now() : 0);
    clock_.At(ns, [this, ns, what, arg] {
      std::istringstream args(arg);
      if (Action(what, args)) return;
      const std::string value = Probe(what, std::stoi(arg));
      std::lock_guard lock(mutex_);
      probes_ += "probe " + Ms(ns) + " " + what + " " + arg + " = " + value + "\n";
    });
    return "ok\n";
  }

  bool Action(const std::string& what, std::istream& args) {
    static const std::map<std::string, void (CMMLPlayer::*)()> commands = {
        {"pause", &CMMLPlayer::Pause},  {"stop", &CMMLPlayer::Stop},
        {"back", &CMMLPlayer::BackOneMeasure}, {"forward", &CMMLPlayer::ForwardOneMeasure},
        {"rewind", &CMMLPlayer::Rewind}};
    if (auto c = commands.find(what); c != commands.end()) {
      (player_.*c->second)();
    } else if (what == "startpos") {
      int32_t tick = 0;
      args >> tick;
      player_.SetStartPosition(tick);
    } else {
      return false;
    }
    return true;
  }

  // What the views read of a slot: its level, its high key word or its row.
  std::string Probe(const std::string& what, int32_t slot) const {
    if (what == "keys") return std::to_string(player_.KeysHigh(slot));
    return std::to_string(what == "level" ? player_.Level(slot) : player_.TrackRow(slot));
  }

  static std::string Ms(int64_t ns) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ns / 1e6);
    return text;
  }

  std::string Finish() {
    std::ostringstream out;
    if (!player_.WaitForFinish(20'000)) return "still playing\n";
    player_.HandleFinished();
    std::lock_guard lock(mutex_);
    out << events_ << " | end " << Ms(clock_.Now()) << " start " << player_.PlayStartTick()
        << (player_.IsPlaying() || player_.IsBusy() ? " STILL BUSY" : "") << "\n"
        << probes_;
    for (const auto& m : device_.Messages()) {
      const uint8_t kind = m.bytes[0] & 0xF0;
      if (!allMessages_ && kind != 0x80 && kind != 0x90) continue;
      std::string hex = test::Sent({m});
      hex.pop_back();
      out << Ms(m.timeNs) << " " << hex << (allMessages_ ? " track " + std::to_string(m.track) : "")
          << "\n";
    }
    events_.clear();
    probes_.clear();
    device_.ClearMessages();
    allMessages_ = stopOnSeek_ = false;
    return out.str();
  }

  SimClock clock_;
  CRecordingMidiDevice device_;
  CMMLPlayer player_;
  std::shared_ptr<PlaybackSong> song_;
  std::mutex mutex_;
  std::string events_, probes_;
  int loopsBeforeOff_ = 0;
  bool stopOnSeek_ = false, allMessages_ = false;
};

TEST(Player, Scripts) {
  auto script = std::make_unique<PlayerScript>();
  test::CheckGolden(KORE_SOURCE_DIR "/tests/playback/data/player.txt", [&](const std::string& line) {
    if (line.rfind("song", 0) == 0) script = std::make_unique<PlayerScript>();  // a fresh clock
    return script->Run(line);
  });
}

TEST(PlayerRefresh, FrameHookRunsWhilePlayingUnderTheViewLock) {
  // The real clock: the refresh thread samples at 60 frames a second.
  CRecordingMidiDevice device;
  CMMLPlayer player;
  player.SetDevice(&device);
  player.SetSong(SongBuilder().Tempo(0, 0, 240).Note(0, 0, 32, 60).End(0, 32).Build());
  player.SetFrameRate(60);
  std::atomic<int> frames{0};
  player.SetFrameHook([&] {
    EXPECT_FALSE(player.ViewLock().try_lock());
    frames.fetch_add(1);
  });
  ASSERT_EQ(player.StartPlayback(0, false), 0);
  ASSERT_TRUE(player.WaitForFinish(5000));
  player.HandleFinished();
  EXPECT_GE(frames.load(), 5);  // about 250 ms of playback
}

}  // namespace
}  // namespace kore
