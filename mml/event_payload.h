#pragma once
// The out-of-line parts of an event record: a Note's display text or a marker's name
// (`EventText`, Shift-JIS) and a SysEx message (`EventBytes`). Both are immutable values in an
// 8-byte handle: up to seven bytes live inside the handle itself (every display text of a
// single note fits), longer contents in one shared, reference-counted block. Copying a record
// therefore never allocates, and records may be copied on any thread.
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kore {
namespace event_detail {

// The handle keeps its tag in the low bit of its first byte.
static_assert(std::endian::native == std::endian::little);

struct PayloadChunk;

struct PayloadBlock {
  std::atomic<uint32_t> references;
  uint32_t size;
  PayloadChunk* chunk;  // the shared chunk it was cut from; none for a block of its own
  unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

PayloadBlock* NewBlock(const void* bytes, size_t size);
void ReleaseBlock(PayloadBlock* block);
// Chunks short blocks are cut from that are still held by a block or a thread.
size_t PayloadChunksInUse();

// Byte storage shared by the two handle types. `T` is a one-byte type.
template <typename T>
class Payload {
  static_assert(sizeof(T) == 1);

 public:
  using value_type = T;
  using size_type = size_t;
  using const_iterator = const T*;
  using iterator = const T*;

  static constexpr size_t kInlineCapacity = 7;

  Payload() = default;
  Payload(const T* bytes, size_t size) { Store(bytes, size); }
  Payload(const Payload& other) : bits_(other.bits_) { Retain(); }
  Payload(Payload&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
  Payload& operator=(const Payload& other) {
    other.Retain();
    Release();
    bits_ = other.bits_;
    return *this;
  }
  Payload& operator=(Payload&& other) noexcept {
    if (this != &other) {
      Release();
      bits_ = other.bits_;
      other.bits_ = 0;
    }
    return *this;
  }
  ~Payload() { Release(); }

  bool empty() const { return bits_ == 0; }
  size_t size() const {
    if (bits_ == 0) return 0;
    return IsInline() ? static_cast<size_t>((bits_ & 0xFF) >> 1) : Block()->size;
  }
  const T* data() const {
    if (IsInline() || bits_ == 0) return reinterpret_cast<const T*>(&bits_) + 1;
    return reinterpret_cast<const T*>(Block()->Bytes());
  }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size(); }
  const T& operator[](size_t i) const { return data()[i]; }
  void clear() {
    Release();
    bits_ = 0;
  }

 protected:
  void Store(const T* bytes, size_t size) {
    Release();
    bits_ = 0;
    if (size == 0) return;
    if (size <= kInlineCapacity) {
      // Built in a register: bytes stored one by one and read back as a whole word would stall
      // the store forwarding on every record.
      uint64_t bits = size << 1 | 1;
      for (size_t i = 0; i < size; ++i) {
        bits |= uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * (i + 1));
      }
      bits_ = bits;
      return;
    }
    bits_ = reinterpret_cast<uintptr_t>(NewBlock(bytes, size));
  }
  // `packed` holds `size` (at most kInlineCapacity) bytes in memory order, zero above them;
  // no branch on the size, for the compiler's hot loop.
  void StoreInline(uint64_t packed, size_t size) {
    Release();
    bits_ = size == 0 ? 0 : (packed << 8 | size << 1 | 1);
  }
  bool SameBytes(const T* bytes, size_t size) const {
    if (size != this->size()) return false;
    const T* own = data();
    for (size_t i = 0; i < size; ++i) {
      if (own[i] != bytes[i]) return false;
    }
    return true;
  }

 private:
  bool IsInline() const { return (bits_ & 1) != 0; }
  PayloadBlock* Block() const { return reinterpret_cast<PayloadBlock*>(bits_); }
  void Retain() const {
    if (bits_ != 0 && !IsInline()) Block()->references.fetch_add(1, std::memory_order_relaxed);
  }
  void Release() {
    if (bits_ != 0 && !IsInline()) ReleaseBlock(Block());
  }

  uint64_t bits_ = 0;
};

}  // namespace event_detail

class EventText : public event_detail::Payload<char> {
 public:
  EventText() = default;
  explicit EventText(std::string_view text) : Payload(text.data(), text.size()) {}
  EventText& operator=(std::string_view text) {
    Store(text.data(), text.size());
    return *this;
  }
  EventText& operator=(const std::string& text) { return *this = std::string_view(text); }
  EventText& operator=(const char* text) { return *this = std::string_view(text); }
  void assign(std::string_view text) { *this = text; }
  // Up to seven bytes packed in memory order (little-endian), zero above `size`.
  void AssignPacked(uint64_t packed, size_t size) { StoreInline(packed, size); }

  operator std::string_view() const { return {data(), size()}; }
  std::string str() const { return std::string(data(), size()); }
  size_t find(char c, size_t from = 0) const { return std::string_view(*this).find(c, from); }

  friend bool operator==(const EventText& a, const EventText& b) {
    return a.SameBytes(b.data(), b.size());
  }
  friend bool operator==(const EventText& a, std::string_view b) {
    return a.SameBytes(b.data(), b.size());
  }
  friend std::ostream& operator<<(std::ostream& out, const EventText& text);
};

class EventBytes : public event_detail::Payload<uint8_t> {
 public:
  EventBytes() = default;
  explicit EventBytes(std::span<const uint8_t> bytes) : Payload(bytes.data(), bytes.size()) {}
  EventBytes& operator=(std::span<const uint8_t> bytes) {
    Store(bytes.data(), bytes.size());
    return *this;
  }
  EventBytes& operator=(const std::vector<uint8_t>& bytes) {
    return *this = std::span<const uint8_t>(bytes);
  }
  EventBytes& operator=(std::initializer_list<uint8_t> bytes) {
    Store(bytes.begin(), bytes.size());
    return *this;
  }

  operator std::span<const uint8_t>() const { return {data(), size()}; }
  std::vector<uint8_t> vector() const { return {begin(), end()}; }

  friend bool operator==(const EventBytes& a, const EventBytes& b) {
    return a.SameBytes(b.data(), b.size());
  }
  friend bool operator==(const EventBytes& a, const std::vector<uint8_t>& b) {
    return a.SameBytes(b.data(), b.size());
  }
};

}  // namespace kore
