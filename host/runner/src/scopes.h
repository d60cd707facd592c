// Nested scopes of variables, innermost last; names are looked up without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quorvex/lang/value.h"

namespace quorvex::lang {

template <class T>
class Scopes {
 public:
  Scopes() : frames_(1) {}

  T* find(std::string_view name) {
    for (auto f = frames_.rbegin(); f != frames_.rend(); ++f) {
      for (auto& [k, v] : *f) {
        if (sameName(k, name)) return &v;
      }
    }
    return nullptr;
  }
  void declare(std::string_view name, T value) {
    frames_.back().emplace_back(lowerName(name), std::move(value));
  }
  void push() { frames_.emplace_back(); }
  void pop() { frames_.pop_back(); }
  std::vector<std::pair<std::string, T>>& outermost() { return frames_.front(); }
  std::size_t depth() const { return frames_.size(); }
  void truncate(std::size_t depth) { frames_.resize(depth); }

 private:
  std::vector<std::vector<std::pair<std::string, T>>> frames_;
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
