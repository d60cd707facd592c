// Memory of things just freed, kept for the next of their kind: a program's loop makes and drops
// one each time round, and taking it back is cheaper than the allocator. A few are kept, and none
// under AddressSanitizer or valgrind's memcheck, so that they still see a freed one used.
#pragma once

#include <cstddef>
#include <vector>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define QUORVEX_UNDER_VALGRIND() (RUNNING_ON_VALGRIND != 0)
#else
#define QUORVEX_UNDER_VALGRIND() false
#endif

namespace quorvex::detail {

template <typename T, void (*Free)(T*)>
class Spares {
 public:
#ifdef QUORVEX_ADDRESS_SANITIZER
  static constexpr std::size_t kCapacity = 0;
#else
  static constexpr std::size_t kCapacity = 16;
#endif

  Spares() = default;
  Spares(const Spares&) = delete;
  Spares& operator=(const Spares&) = delete;
  ~Spares() {
    for (T* item : items_) Free(item);
  }

  // Null when none is kept.
  T* take() {
    if (items_.empty()) return nullptr;
    T* item = items_.back();
    items_.pop_back();
    return item;
  }

  // Kept for take(), or freed at once when enough are kept.
  void give(T* item) {
    if (items_.size() < capacity()) {
      items_.push_back(item);
    } else {
      Free(item);
    }
  }

 private:
  static std::size_t capacity() {
    static const std::size_t kept = QUORVEX_UNDER_VALGRIND() ? 0 : kCapacity;
    return kept;
  }

  std::vector<T*> items_;
};

}  // namespace quorvex::detail
