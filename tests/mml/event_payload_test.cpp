#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "mml/midi_event.h"

namespace kore {
namespace {

// Sizes on both sides of what fits inside the handle.
TEST(EventText, KeepsItsBytesThroughCopiesMovesAndReassignment) {
  for (size_t size : {0u, 1u, 6u, 7u, 8u, 9u, 300u}) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(i % 2 ? 0x83 : 'A' + i % 26);
    if (size > 3) bytes[3] = '\0';  // an embedded NUL is a byte like any other
    SCOPED_TRACE("size " + std::to_string(size));
    EventText text;
    text = bytes;
    EXPECT_EQ(std::string_view(text), bytes);
    EXPECT_EQ(text.size(), size);
    EXPECT_EQ(text.empty(), size == 0);
    EventText copy = text;
    text = "other";  // the copy keeps the old contents
    EXPECT_EQ(copy, bytes);
    EXPECT_EQ(text, "other");
    EventText moved = std::move(copy);
    EXPECT_EQ(moved, bytes);
    moved = moved;
    EXPECT_EQ(moved.str(), bytes);
    moved.clear();
    EXPECT_TRUE(moved.empty());
  }
}

TEST(EventBytes, ComparesByContents) {
  const std::vector<uint8_t> sysex{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0xF7};
  MidiEvent a;
  a.data = sysex;
  MidiEvent b = a;
  EXPECT_EQ(a, b);
  b.data = std::vector<uint8_t>(sysex.begin(), sysex.end() - 1);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.data.vector(), sysex);
}

// A shared text copied and dropped on several threads at once is released exactly once (the
// sanitizer builds catch a double free or a leak).
TEST(EventText, SharedTextSurvivesCopiesOnManyThreads) {
  MidiEvent marker;
  marker.text = std::string(100, 'm');
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&marker] {
      for (int i = 0; i < 10000; ++i) {
        MidiEvent copy = marker;
        ASSERT_EQ(copy.text.size(), 100u);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(marker.text, std::string(100, 'm'));
}

// Short texts enough to fill several shared chunks, made on a thread that then ends and half of
// them dropped on another: the rest keep their bytes, and no chunk outlives its last text.
TEST(EventText, ShortTextsOutliveTheirThreadAndFreeTheirChunks) {
  if (kHeapOnly) GTEST_SKIP() << "each text is its own heap block in this build";
  const size_t chunksBefore = event_detail::PayloadChunksInUse();
  const auto textOf = [](size_t i) { return "c8&&&&c8&&&&" + std::to_string(i); };
  std::vector<EventText> texts(200000);
  std::thread([&] {
    for (size_t i = 0; i < texts.size(); ++i) texts[i] = textOf(i);
  }).join();
  EXPECT_GT(event_detail::PayloadChunksInUse(), chunksBefore + 1);
  std::thread([&] {
    for (size_t i = 0; i < texts.size(); i += 2) texts[i].clear();
  }).join();
  size_t wrong = 0;
  for (size_t i = 1; i < texts.size(); i += 2) wrong += texts[i] == textOf(i) ? 0 : 1;
  EXPECT_EQ(wrong, 0u);
  texts.clear();
  EXPECT_EQ(event_detail::PayloadChunksInUse(), chunksBefore);
}

}  // namespace
}  // namespace kore
