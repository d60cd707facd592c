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
  Raw out{};
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

// Appends one parameter type per step until all are known, then calls. `Skip` leading arguments
// (a receiver) are already among `A` and have no entry in `params`.
template <std::size_t Max, std::size_t Skip, class R, class... A>
Raw build(const void* function, const Passing* params, std::size_t count, const Raw* args) {
  constexpr std::size_t known = sizeof...(A);
  if (known == Skip + count) {
    return invokeTyped<R, A...>(function, args, std::index_sequence_for<A...>{});
  }
  if constexpr (known < Max) {
    switch (params[known - Skip]) {
      case Passing::Integer:
        return build<Max, Skip, R, A..., long>(function, params, count, args);
      case Passing::Double:
        return build<Max, Skip, R, A..., double>(function, params, count, args);
      case Passing::Boolean:
        return build<Max, Skip, R, A..., bool>(function, params, count, args);
      default:  // strings and objects, as handles
        return build<Max, Skip, R, A..., void*>(function, params, count, args);
    }
  }
  return Raw{};
}

template <class R>
Raw start(const void* function, bool method, const Passing* params, std::size_t count,
          const Raw* args) {
  if (method) return build<kMaxParameters + 1, 1, R, void*>(function, params, count, args);
  return build<kMaxParameters, 0, R>(function, params, count, args);
}

}  // namespace

Raw callFunction(const void* function, Passing result, bool method, const Passing* params,
                 std::size_t count, const Raw* args) {
  switch (result) {
    case Passing::None:
      return start<void>(function, method, params, count, args);
    case Passing::Integer:
      return start<long>(function, method, params, count, args);
    case Passing::Double:
      return start<double>(function, method, params, count, args);
    case Passing::Boolean:
      return start<bool>(function, method, params, count, args);
    default:
      return start<void*>(function, method, params, count, args);
  }
}

}  // namespace quorvex::detail
