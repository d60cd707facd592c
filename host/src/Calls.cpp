// Calling plug-in functions with their declared C signature. Every combination of parameter and
// result types is enumerated at compile time, so each call goes through a correctly typed pointer.
#include <tuple>
#include <utility>

#include "Runtime.h"

namespace quorvex::detail {
namespace {

template <class T>
T get(const Raw& raw) {
  if constexpr (std::is_same_v<T, long>) return raw.l;
  if constexpr (std::is_same_v<T, double>) return raw.d;
  if constexpr (std::is_same_v<T, void*>) return raw.p;
  if constexpr (std::is_same_v<T, bool>) return raw.b;
}

template <class R, class... A, std::size_t... I>
Raw invokeTyped(const void* function, const Raw* args, std::index_sequence<I...>) {
  auto typed = reinterpret_cast<R (*)(A...)>(const_cast<void*>(function));
  Raw out;
  if constexpr (std::is_same_v<R, void>) {
    typed(get<A>(args[I])...);
  } else if constexpr (std::is_same_v<R, long>) {
    out.l = typed(get<A>(args[I])...);
  } else if constexpr (std::is_same_v<R, double>) {
    out.d = typed(get<A>(args[I])...);
  } else if constexpr (std::is_same_v<R, void*>) {
    out.p = typed(get<A>(args[I])...);
  } else {
    out.b = typed(get<A>(args[I])...);
  }
  return out;
}

// Appends one parameter type per step until all `count` are known, then calls.
template <std::size_t Max, class R, class... A>
Raw build(const void* function, const Abi* kinds, std::size_t count, const Raw* args) {
  constexpr std::size_t known = sizeof...(A);
  if (known == count) return invokeTyped<R, A...>(function, args, std::index_sequence_for<A...>{});
  if constexpr (known < Max) {
    switch (kinds[known]) {
      case Abi::Long:
        return build<Max, R, A..., long>(function, kinds, count, args);
      case Abi::Double:
        return build<Max, R, A..., double>(function, kinds, count, args);
      case Abi::Bool:
        return build<Max, R, A..., bool>(function, kinds, count, args);
      default:
        return build<Max, R, A..., void*>(function, kinds, count, args);
    }
  }
  return Raw{};
}

template <class R>
Raw start(const void* function, bool method, const Abi* kinds, std::size_t count, const Raw* args) {
  if (method) return build<kMaxParams + 1, R, void*>(function, kinds, count, args);
  return build<kMaxParams, R>(function, kinds, count, args);
}

}  // namespace

Raw callFunction(const void* function, Abi result, bool method, const Abi* params,
                 std::size_t count, const Raw* args) {
  switch (result) {
    case Abi::Void:
      return start<void>(function, method, params, count, args);
    case Abi::Long:
      return start<long>(function, method, params, count, args);
    case Abi::Double:
      return start<double>(function, method, params, count, args);
    case Abi::Bool:
      return start<bool>(function, method, params, count, args);
    case Abi::Pointer:
      break;
  }
  return start<void*>(function, method, params, count, args);
}

}  // namespace quorvex::detail
