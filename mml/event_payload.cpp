#include "mml/event_payload.h"

#include <cstring>
#include <new>
#include <ostream>

namespace kore {
namespace event_detail {

PayloadBlock* NewBlock(const void* bytes, size_t size) {
  void* memory = ::operator new(sizeof(PayloadBlock) + size);
  auto* block = new (memory) PayloadBlock{{1}, static_cast<uint32_t>(size)};
  std::memcpy(block->Bytes(), bytes, size);
  return block;
}

void ReleaseBlock(PayloadBlock* block) {
  if (block->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  block->~PayloadBlock();
  ::operator delete(block);
}

}  // namespace event_detail

std::ostream& operator<<(std::ostream& out, const EventText& text) {
  return out << std::string_view(text);
}

}  // namespace kore
