// The host interface layer: the library entry point, the stored resolver and every proxy. It is
// one translation unit on purpose: the catalogue rows are expanded here into real, named functions,
// each with its own function-local cache.
#include "GlueCode/PluginMain.h"

QORAResolver gResolver = nullptr;

namespace {

// A proxy called before the entry point stored the resolver takes its miss path instead of
// calling through null. The cold attribute keeps this (and the resolver call) off the bound path.
QORA_COLD void* resolveEntry(const char* entry, const char* fallback) {
  if (gResolver == nullptr) return nullptr;
  void* address = gResolver(entry);
  if (address == nullptr && fallback != nullptr) address = gResolver(fallback);
  return address;
}

// Writes the cache on every attempt, null included; a null cache is asked again on the next call,
// a bound one never again. Bound, this is one load and one test.
template <class Fn>
inline Fn bindEntry(Fn& cache, const char* entry, const char* fallback = nullptr) {
  if (QORA_UNLIKELY(cache == nullptr)) cache = reinterpret_cast<Fn>(resolveEntry(entry, fallback));
  return cache;
}

}  // namespace

extern "C" QORA_EXPORT void QORAPluginMain(QORAResolver resolver) {
  gResolver = resolver;
  // A host without the announcement entry is not called through null; registration goes on.
  using AnnounceVersion = void (*)(std::int32_t version);
  auto announce = reinterpret_cast<AnnounceVersion>(resolveEntry("RegisterPluginVersion", nullptr));
  if (announce != nullptr) announce(static_cast<std::int32_t>(kQORAPluginVersion));
  PluginEntry();
}

// The plain proxies, one per row. The bound path is the load of the cache, its test and a tail
// jump to the host; everything else, the resolver included, sits in a cold lambda, so the bound
// path needs no register saved for it.
#define QORA_DEFINE_ROW(Ret, HostRet, Name, Cache, Entry, Fallback, Params, HostParams, Args, Miss) \
  Ret Name Params {                                                                                 \
    static HostRet(*Cache) HostParams = nullptr;                                                    \
    if (!QORA_UNLIKELY(Cache == nullptr)) return static_cast<Ret>(Cache Args);                      \
    return [] Params QORA_COLD -> Ret {                                                             \
      if (bindEntry(Cache, Entry, Fallback) == nullptr) return Miss;                                \
      return static_cast<Ret>(Cache Args);                                                          \
    } Args;                                                                                         \
  }
#define QORA_DEFINE_FORWARD(Ret, Name, Params, Args, Target) \
  Ret Name Params {                                          \
    return Target Args;                                      \
  }
#define QORA_ROW QORA_DEFINE_ROW
#define QORA_FORWARD QORA_DEFINE_FORWARD
#include "GlueCode/proxies/catalogues.def"

// The irregular proxies, written by hand (their rows are QORA_CUSTOM).
#include "GlueCode/irregular/objects.inc"
#include "GlueCode/irregular/registration.inc"
#include "GlueCode/irregular/strings.inc"
#include "GlueCode/irregular/runtime.inc"
#include "GlueCode/irregular/properties.inc"
#include "GlueCode/irregular/arrays.inc"
#include "GlueCode/irregular/controls.inc"
#include "GlueCode/irregular/macos.inc"
