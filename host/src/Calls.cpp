// Calling plug-in functions with their declared C signature. Every combination of parameter and
// result types is enumerated at compile time, so each call goes through a correctly typed pointer;
// which one a method needs is found once, when it is read.
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

template <class R, class... A>
Raw typed(const void* function, const Raw* args) {
  return invokeTyped<R, A...>(function, args, std::index_sequence_for<A...>{});
}

// Appends one parameter type per step until all are known, then gives the call for them. `Skip`
// leading arguments (a receiver) are already among `A` and have no entry in `params`.
template <std::size_t Max, std::size_t Skip, class R, class... A>
Invoker build(const Passing* params, std::size_t count) {
  constexpr std::size_t known = sizeof...(A);
  if (known == Skip + count) return &typed<R, A...>;
  if constexpr (known < Max) {
    switch (params[known - Skip]) {
      case Passing::Integer:
        return build<Max, Skip, R, A..., long>(params, count);
      case Passing::Double:
        return build<Max, Skip, R, A..., double>(params, count);
      case Passing::Boolean:
        return build<Max, Skip, R, A..., bool>(params, count);
      default:  // strings and objects, as handles
        return build<Max, Skip, R, A..., void*>(params, count);
    }
  }
  return nullptr;
}

template <class R>
Invoker start(bool method, const Passing* params, std::size_t count) {
  if (method) return build<kMaxParameters + 1, 1, R, void*>(params, count);
  return build<kMaxParameters, 0, R>(params, count);
}

}  // namespace

Invoker invokerFor(Passing result, bool method, const Passing* params, std::size_t count) {
  if (count > kMaxParameters) return nullptr;
  switch (result) {
    case Passing::None:
      return start<void>(method, params, count);
    case Passing::Integer:
      return start<long>(method, params, count);
    case Passing::Double:
      return start<double>(method, params, count);
    case Passing::Boolean:
      return start<bool>(method, params, count);
    default:
      return start<void*>(method, params, count);
  }
}

}  // namespace quorvex::detail
