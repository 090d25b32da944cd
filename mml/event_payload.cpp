#include "mml/event_payload.h"

#include <cstring>
#include <new>
#include <ostream>

#include "base/huge_pages.h"

namespace kore {
namespace event_detail {

// Short blocks (a tie chain's display text) are cut one after another from chunks of huge-page
// memory, one chunk per thread at a time: a long track makes tens of thousands of them, and on
// the heap each fresh page of them costs a fault. A chunk is freed when its last block goes.
struct PayloadChunk {
  // Live blocks, plus one while a thread still cuts blocks from it.
  std::atomic<size_t> holds;
  size_t used;  // bytes from the chunk's start handed out, header included
};

namespace {

constexpr size_t kChunkBytes = size_t{2} << 20;
// Longer blocks (SysEx messages, marker names, long tie chains) are rare: each gets its own.
constexpr size_t kLargestCut = 1024;

std::atomic<size_t> chunksInUse{0};

void DropHold(PayloadChunk* chunk) {
  if (chunk->holds.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  chunk->~PayloadChunk();
  FreeLongArray(chunk, kChunkBytes);
  chunksInUse.fetch_sub(1, std::memory_order_relaxed);
}

// The chunk this thread cuts from; its hold goes when the thread ends.
struct Cutter {
  PayloadChunk* chunk = nullptr;
  ~Cutter() {
    if (chunk != nullptr) DropHold(chunk);
  }
};
thread_local Cutter cutter;

constexpr size_t RoundUp(size_t bytes) {
  constexpr size_t alignment = alignof(PayloadBlock);
  return (bytes + alignment - 1) & ~(alignment - 1);
}

}  // namespace

PayloadBlock* NewBlock(const void* bytes, size_t size) {
  const size_t total = RoundUp(sizeof(PayloadBlock) + size);
  void* memory;
  PayloadChunk* chunk = nullptr;
  if (kHeapOnly || total > kLargestCut) {
    memory = ::operator new(total);
  } else {
    chunk = cutter.chunk;
    if (chunk == nullptr || chunk->used + total > kChunkBytes) {
      if (chunk != nullptr) DropHold(chunk);
      chunk = new (AllocateLongArray(kChunkBytes)) PayloadChunk{{1}, RoundUp(sizeof(PayloadChunk))};
      chunksInUse.fetch_add(1, std::memory_order_relaxed);
      cutter.chunk = chunk;
    }
    memory = reinterpret_cast<unsigned char*>(chunk) + chunk->used;
    chunk->used += total;
    chunk->holds.fetch_add(1, std::memory_order_relaxed);
  }
  auto* block = new (memory) PayloadBlock{{1}, static_cast<uint32_t>(size), chunk};
  std::memcpy(block->Bytes(), bytes, size);
  return block;
}

size_t PayloadChunksInUse() { return chunksInUse.load(std::memory_order_relaxed); }

void ReleaseBlock(PayloadBlock* block) {
  if (block->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  PayloadChunk* chunk = block->chunk;
  block->~PayloadBlock();
  if (chunk != nullptr) {
    DropHold(chunk);
  } else {
    ::operator delete(block);
  }
}

}  // namespace event_detail

std::ostream& operator<<(std::ostream& out, const EventText& text) {
  return out << std::string_view(text);
}

}  // namespace kore
