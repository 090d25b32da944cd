#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <thread>

#include "tests/support/qt_app.h"
#include "views/document_bridge.h"
#include "views/player_bridge.h"

namespace kore {
namespace {

struct BridgeTest : test::WithQtApp, ::testing::Test {};

TEST_F(BridgeTest, DocumentCallsBecomeSignalsUntilDetached) {
  CMMLDocument document;
  auto bridge = std::make_unique<DocumentBridge>(&document);
  QSignalSpy replaced(bridge.get(), &DocumentBridge::songReplaced);
  QSignalSpy current(bridge.get(), &DocumentBridge::currentTrackChanged);
  document.NewSong(2, 48);
  document.SetCurrentTrack(1);
  EXPECT_EQ(replaced.count(), 1);
  ASSERT_EQ(current.count(), 1);
  EXPECT_EQ(current.at(0).at(0).toInt(), 1);

  bridge->SetDocument(nullptr);
  document.SetCurrentTrack(0);
  EXPECT_EQ(current.count(), 1);
  // A destroyed bridge is no longer called.
  bridge->SetDocument(&document);
  bridge.reset();
  document.SetCurrentTrack(1);
}

// The player thread's synchronous notifications return only after the GUI thread handled
// them, and arrive on the GUI thread.
TEST_F(BridgeTest, PlayerThreadWaitsForTheGuiOnStartedSeekedLooped) {
  PlayerBridge bridge;
  std::atomic<int> handledOnGui{0};
  std::atomic<int> handledElsewhere{0};
  auto note = [&] {
    (QThread::currentThread() == bridge.thread() ? handledOnGui : handledElsewhere)++;
  };
  QObject::connect(&bridge, &PlayerBridge::started, note);
  QObject::connect(&bridge, &PlayerBridge::seeked, note);
  QObject::connect(&bridge, &PlayerBridge::looped, note);
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"started", [&] { bridge.PlayerStarted(); }},
      {"seeked", [&] { bridge.PlayerSeeked(96); }},
      {"looped", [&] { bridge.PlayerLooped(0); }},
  };
  for (const auto& [name, call] : calls) {
    const int before = handledOnGui;
    std::atomic<bool> returned{false};
    std::atomic<int> seenOnReturn{-1};
    std::thread player([&] {
      call();
      seenOnReturn = handledOnGui.load();
      returned = true;
    });
    while (!returned) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    player.join();
    EXPECT_EQ(seenOnReturn, before + 1) << name;
  }
  EXPECT_EQ(handledElsewhere, 0);
}

TEST_F(BridgeTest, FinishedIsPostedWithoutWaitingAndGuiCallsDoNotBlock) {
  PlayerBridge bridge;
  QSignalSpy finished(&bridge, &PlayerBridge::finished);
  QSignalSpy seeked(&bridge, &PlayerBridge::seeked);
  QSignalSpy shown(&bridge, &PlayerBridge::positionShown);
  // Nobody pumps events while the player thread finishes: it must not wait.
  std::thread player([&] { bridge.PlayerFinished(42); });
  player.join();
  EXPECT_EQ(finished.count(), 0);
  QCoreApplication::processEvents();
  ASSERT_EQ(finished.count(), 1);
  EXPECT_EQ(finished.at(0).at(0).toULongLong(), 42u);

  // On the GUI thread itself the synchronous ones are emitted at once.
  bridge.PlayerSeeked(7);
  bridge.PositionShown(480, 150);
  ASSERT_EQ(seeked.count(), 1);
  EXPECT_EQ(seeked.at(0).at(0).toInt(), 7);
  ASSERT_EQ(shown.count(), 1);
  EXPECT_EQ(shown.at(0).at(1).toInt(), 150);
}

}  // namespace
}  // namespace kore
