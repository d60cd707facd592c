// The macOS-only part of the host interface layer: the host's Cocoa view callbacks. The macOS
// build compiles this unit as Objective-C++; the Linux build, which carries the macOS set, compiles
// it as C++ (nothing here needs the platform).
#include "GlueCode/PluginMain.h"

#if defined(QORA_TARGET_MACOS_SET)

// Bound like every other proxy: resolved through gResolver on first use, the answer cached, a miss
// asked again on the next call, relaxed atomics throughout and a hit never overwritten. It cannot
// share PluginMain's file-local binding helper, so the same few lines stand here.
void* QORAGetCocoaViewCallbacks() {
  using GetCallbacks = void* (*)();
  constexpr std::memory_order kRelaxed = std::memory_order_relaxed;
  static std::atomic<GetCallbacks> pGetCocoaViewCallbacks{nullptr};
  GetCallbacks bound = pGetCocoaViewCallbacks.load(kRelaxed);
  if (QORA_UNLIKELY(bound == nullptr)) {
    const QORAResolver resolver = gResolver.load(kRelaxed);
    if (resolver == nullptr) return nullptr;
    const auto found = reinterpret_cast<GetCallbacks>(resolver("PluginGetCocoaViewCallbacks"));
    // On failure the exchange leaves in `bound` the address another thread stored first.
    if (pGetCocoaViewCallbacks.compare_exchange_strong(bound, found, kRelaxed)) bound = found;
  }
  if (bound == nullptr) return nullptr;
  return bound();
}

#endif
