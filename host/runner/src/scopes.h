// Nested scopes of variables, innermost last; names are looked up without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvex/lang/value.h"

namespace quorvex::lang {

// A watcher's counter goes up whenever a variable may have moved or gone (a declaration, a scope
// with variables closed, scopes dropped), so that a pointer to a variable taken at one count is
// good while the count stays. Opening and closing a scope with no variables leaves it alone: a
// loop's body does that each time round.
template <class T>
class Scopes {
 public:
  Scopes() : frames_(1) {}
  Scopes(const Scopes&) = default;
  Scopes& operator=(const Scopes&) = default;
  Scopes(Scopes&&) noexcept = default;
  Scopes& operator=(Scopes&&) noexcept = default;
  ~Scopes() { changed(); }

  void watch(std::uint64_t* counter) {
    layout_ = counter;
    changed();
  }

  T* find(std::string_view name) {
    for (auto f = frames_.rbegin(); f != frames_.rend(); ++f) {
      for (auto& [k, v] : *f) {
        if (sameName(k, name)) return &v;
      }
    }
    return nullptr;
  }
  void declare(std::string_view name, T value) {
    changed();
    frames_.back().emplace_back(std::string(name), std::move(value));  // as written, to show
  }
  void push() { frames_.emplace_back(); }
  void pop() {
    if (!frames_.back().empty()) changed();
    frames_.pop_back();
  }
  std::vector<std::pair<std::string, T>>& outermost() { return frames_.front(); }
  std::size_t depth() const { return frames_.size(); }
  void truncate(std::size_t depth) {
    changed();
    frames_.resize(depth);
  }

 private:
  void changed() {
    if (layout_ != nullptr) ++*layout_;
  }

  std::vector<std::vector<std::pair<std::string, T>>> frames_;
  std::uint64_t* layout_ = nullptr;
};

// Opens a scope for the life of the guard, also when an exception leaves it.
template <class T>
class ScopeGuard {
 public:
  explicit ScopeGuard(Scopes<T>& s) : s_(s) { s_.push(); }
  ~ScopeGuard() { s_.pop(); }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

 private:
  Scopes<T>& s_;
};

}  // namespace quorvex::lang
