// The strings of the calls in progress. The plug-in has no way to keep a string beyond the call
// that made it, so strings are a stack: made on top, dropped from the top when their call ends.
// A handle is checked by where it points, and a slot's room is kept for the next string made
// there: a loop that makes one string each time round allocates nothing after the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorvex::detail {

template <class Slot>
class StringStack {
 public:
  StringStack() = default;
  StringStack(const StringStack&) = delete;
  StringStack& operator=(const StringStack&) = delete;

  std::size_t size() const { return used_; }

  // A slot on top, holding what an earlier string there left.
  Slot* push() {
    if (used_ < kFirst) return &first_[used_++];
    return pushBeyond();
  }

  // Drops the strings above `mark`. Their slots keep what they held, room and text, for the next
  // strings made there: a loop's string is mostly as long as the last.
  void popTo(std::size_t mark) {
    if (used_ > mark) used_ = mark;
    // A call that made many strings does not keep their memory: chunks past the next one go.
    if (!chunks_.empty()) trim();
  }

  // The live slot `handle` points at, or null: a handle the plug-in made up, one of a string
  // already dropped, or one into the middle of a slot. Only slots from `from` up count: the
  // strings made since then.
  Slot* find(const void* handle, std::size_t from = 0) const {
    // Mostly the string just made: a call returns the one it built last.
    if (used_ > from && used_ <= kFirst && handle == &first_[used_ - 1])
      return const_cast<Slot*>(&first_[used_ - 1]);
    const std::size_t index = indexOf(handle);
    if (index < from || index >= used_) return nullptr;
    return const_cast<Slot*>(index < kFirst ? &first_[index] : beyond(index));
  }

 private:
  // Most calls make a string or two, and never more than this many at once: these slots are the
  // stack's own, past them come chunks, each twice the one before, so that find() looks at a
  // few ranges however many strings one call makes.
  static constexpr std::size_t kFirst = 32;
  static constexpr std::size_t kNone = ~std::size_t{0};
  // Chunk k holds the slots from kFirst << k on, as many as all the slots before it.
  static constexpr std::size_t capacityOf(std::size_t chunk) { return kFirst << chunk; }
  static std::size_t chunkOf(std::size_t index) {  // index: kFirst or more
    std::size_t chunk = 0;
    while (index >= capacityOf(chunk + 1)) ++chunk;
    return chunk;
  }

  static std::size_t slotIn(std::uintptr_t address, const Slot* base, std::size_t capacity) {
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    if (address < start || address >= start + capacity * sizeof(Slot)) return kNone;
    const std::uintptr_t offset = address - start;
    return offset % sizeof(Slot) == 0 ? offset / sizeof(Slot) : kNone;
  }

  std::size_t indexOf(const void* handle) const {
    const auto address = reinterpret_cast<std::uintptr_t>(handle);
    const std::size_t slot = slotIn(address, first_, kFirst);
    if (slot != kNone) return slot;
    for (std::size_t chunk = 0; chunk < chunks_.size(); ++chunk) {
      const std::size_t at = slotIn(address, chunks_[chunk].get(), capacityOf(chunk));
      if (at != kNone) return capacityOf(chunk) + at;
    }
    return kNone;
  }

  Slot* beyond(std::size_t index) const {
    const std::size_t chunk = chunkOf(index);
    return &chunks_[chunk][index - capacityOf(chunk)];
  }

  Slot* pushBeyond() {
    const std::size_t chunk = chunkOf(used_);
    if (chunk == chunks_.size()) chunks_.push_back(std::make_unique<Slot[]>(capacityOf(chunk)));
    return beyond(used_++);
  }

  void trim() {
    const std::size_t inUse = used_ > kFirst ? chunkOf(used_ - 1) + 1 : 0;
    if (chunks_.size() > inUse + 1) chunks_.resize(inUse + 1);
  }

  Slot first_[kFirst];
  std::vector<std::unique_ptr<Slot[]>> chunks_;
  std::size_t used_ = 0;
};

}  // namespace quorvex::detail
