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
  // Live blocks; while a thread still cuts blocks from it, kCutting more, less those cut so far
  // (the cutting thread counts them on its own and settles when it leaves the chunk), so that
  // cutting a block needs no atomic step that another thread's releases would contend for.
  std::atomic<size_t> holds;
  size_t used;  // bytes from the chunk's start handed out, header included
  size_t cut;   // blocks cut
};

namespace {

constexpr size_t kChunkBytes = size_t{2} << 20;
constexpr size_t kCutting = size_t{1} << 40;
// Longer blocks (SysEx messages, marker names, long tie chains) are rare: each gets its own.
constexpr size_t kLargestCut = 1024;

constexpr size_t RoundUp(size_t bytes) {
  constexpr size_t alignment = alignof(PayloadBlock);
  return (bytes + alignment - 1) & ~(alignment - 1);
}

std::atomic<size_t> chunksInUse{0};
// One freed chunk is kept for the next thread that needs one: each compile on a new helper
// thread would otherwise map and zero a fresh chunk while an older one is being freed.
std::atomic<PayloadChunk*> spareChunk{nullptr};

PayloadChunk* NewChunk() {
  void* memory = spareChunk.exchange(nullptr, std::memory_order_acquire);
  if (memory == nullptr) memory = AllocateLongArray(kChunkBytes);
  chunksInUse.fetch_add(1, std::memory_order_relaxed);
  return new (memory) PayloadChunk{{kCutting}, RoundUp(sizeof(PayloadChunk)), 0};
}

void FreeChunk(PayloadChunk* chunk) {
  chunk->~PayloadChunk();
  chunksInUse.fetch_sub(1, std::memory_order_relaxed);
  PayloadChunk* none = nullptr;
  if (!spareChunk.compare_exchange_strong(none, chunk, std::memory_order_release)) {
    FreeLongArray(chunk, kChunkBytes);
  }
}

// The thread that cut from the chunk leaves it: what remains is its live blocks.
void LeaveChunk(PayloadChunk* chunk) {
  const size_t settle = chunk->cut - kCutting;  // wraps: the sum below is the live count
  if (chunk->holds.fetch_add(settle, std::memory_order_acq_rel) + settle == 0) FreeChunk(chunk);
}

// The chunk this thread cuts from; it is left when the thread ends.
struct Cutter {
  PayloadChunk* chunk = nullptr;
  ~Cutter() {
    if (chunk != nullptr) LeaveChunk(chunk);
  }
};
thread_local Cutter cutter;

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
      if (chunk != nullptr) LeaveChunk(chunk);
      chunk = NewChunk();
      cutter.chunk = chunk;
    }
    memory = reinterpret_cast<unsigned char*>(chunk) + chunk->used;
    chunk->used += total;
    ++chunk->cut;
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
    if (chunk->holds.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeChunk(chunk);
  } else {
    ::operator delete(block);
  }
}

}  // namespace event_detail

std::ostream& operator<<(std::ostream& out, const EventText& text) {
  return out << std::string_view(text);
}

}  // namespace kore
