// The host interface layer: the library entry point, the stored resolver and every proxy. It is
// one translation unit on purpose: the catalogue rows are expanded here into real, named functions,
// each with its own function-local cache.
#include "GlueCode/PluginMain.h"

std::atomic<QORAResolver> gResolver{nullptr};

namespace {

// Every cache and gResolver is read and written relaxed. What they hold is an address the host had
// before it was asked; the plug-in reads nothing through them that the resolving thread wrote, so
// they need an untorn value, not an order with other memory. A relaxed load is the same single
// mov on x86 and x86-64 as a plain one, so a bound proxy stays one load, one test, one jump.
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

// A proxy called before the entry point stored the resolver takes its miss path instead of
// calling through null. The cold attribute keeps this (and the resolver call) off the bound path.
QORA_COLD void* resolveEntry(const char* entry, const char* fallback) {
  const QORAResolver resolver = gResolver.load(kRelaxed);
  if (resolver == nullptr) return nullptr;
  void* address = resolver(entry);
  if (address == nullptr && fallback != nullptr) address = resolver(fallback);
  return address;
}

// Writes what an attempt found, null included, unless another thread bound the cache meanwhile:
// without a lock, threads that found it empty together all ask, and the first address stored is
// the one every later call uses, never overwritten by a later miss. Returns what this call uses.
template <class Fn>
Fn settle(std::atomic<Fn>& cache, Fn found) {
  Fn bound = nullptr;
  return cache.compare_exchange_strong(bound, found, kRelaxed) ? found : bound;
}

// A null cache is asked again on the next call, a bound one never again. Bound, this is one load
// and one test.
template <class Fn>
inline Fn bindEntry(std::atomic<Fn>& cache, const char* entry, const char* fallback = nullptr) {
  const Fn bound = cache.load(kRelaxed);
  if (!QORA_UNLIKELY(bound == nullptr)) return bound;
  return settle(cache, reinterpret_cast<Fn>(resolveEntry(entry, fallback)));
}

}  // namespace

extern "C" QORA_EXPORT void QORAPluginMain(QORAResolver resolver) {
  gResolver.store(resolver, kRelaxed);
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
  Ret Name Params {                                                                                \
    static std::atomic<HostRet(*) HostParams> Cache{nullptr};                                      \
    const auto qoraBound = Cache.load(kRelaxed);                                                   \
    if (!QORA_UNLIKELY(qoraBound == nullptr)) return static_cast<Ret>(qoraBound Args);             \
    return [] Params QORA_COLD -> Ret {                                                            \
      const auto qoraBound = bindEntry(Cache, Entry, Fallback);                                    \
      if (qoraBound == nullptr) return Miss;                                                       \
      return static_cast<Ret>(qoraBound Args);                                                     \
    } Args;                                                                                        \
  }
#define QORA_DEFINE_FORWARD(Ret, Name, Params, Args, Target) \
  Ret Name Params {                                          \
    return Target Args;                                      \
  }
#define QORA_ROW QORA_DEFINE_ROW
#define QORA_FORWARD QORA_DEFINE_FORWARD
#include "GlueCode/proxies/catalogues.def"

// The irregular proxies, written by hand (their rows are QORA_IRREGULAR).
#include "GlueCode/irregular/objects.inc"
#include "GlueCode/irregular/registration.inc"
#include "GlueCode/irregular/strings.inc"
#include "GlueCode/irregular/runtime.inc"
#include "GlueCode/irregular/properties.inc"
#include "GlueCode/irregular/arrays.inc"
#include "GlueCode/irregular/controls.inc"
#include "GlueCode/irregular/macos.inc"
