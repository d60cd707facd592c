// The handles alive in one runtime, so that a handle the plug-in passes back is checked before it
// is used. Every object and string the plug-in makes comes in and goes out again within a call or
// two, so this is an open-addressing table of pointers: no allocation per handle, a probe or two
// per question.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvex::detail {

class HandleSet {
 public:
  HandleSet() : slots_(kInitialSlots, nullptr) {}

  std::size_t size() const { return size_; }
  bool contains(const void* handle) const {
    if (handle == nullptr) return false;
    for (std::size_t i = home(handle);; i = next(i)) {
      if (slots_[i] == handle) return true;
      if (slots_[i] == nullptr) return false;
    }
  }
  void insert(const void* handle) {
    if (handle == nullptr) return;
    // At most half full, so every probe meets an empty slot soon. Grown first, so that one probe
    // both looks for the handle and finds its place.
    if (2 * (size_ + 1) > slots_.size()) grow();
    std::size_t i = home(handle);
    while (slots_[i] != nullptr) {
      if (slots_[i] == handle) return;
      i = next(i);
    }
    slots_[i] = handle;
    ++size_;
  }
  void erase(const void* handle) {
    if (handle == nullptr) return;
    std::size_t i = home(handle);
    while (slots_[i] != handle) {
      if (slots_[i] == nullptr) return;
      i = next(i);
    }
    // Backward shift: every handle after the hole that may move into it does, so a probe that
    // stops at an empty slot never misses a handle placed beyond it.
    for (std::size_t j = next(i);; j = next(j)) {
      if (slots_[j] == nullptr) break;
      const std::size_t h = home(slots_[j]);
      const bool stays = i <= j ? (i < h && h <= j) : (i < h || h <= j);
      if (!stays) {
        slots_[i] = slots_[j];
        i = j;
      }
    }
    slots_[i] = nullptr;
    --size_;
  }
  template <class F>
  void forEach(F f) const {
    for (const void* handle : slots_) {
      if (handle != nullptr) f(handle);
    }
  }

 private:
  static constexpr std::size_t kInitialSlots = 64;  // a power of two, as every size after it

  std::size_t home(const void* handle) const {
    // Fibonacci hashing: allocations share their low bits, the multiply spreads the rest.
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
  }
  std::size_t next(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }
  void place(const void* handle) {
    std::size_t i = home(handle);
    while (slots_[i] != nullptr) i = next(i);
    slots_[i] = handle;
  }
  void grow() {
    std::vector<const void*> old(slots_.size() * 2, nullptr);
    old.swap(slots_);
    for (const void* handle : old) {
      if (handle != nullptr) place(handle);
    }
  }

  std::vector<const void*> slots_;
  std::size_t size_ = 0;
};

}  // namespace quorvex::detail
