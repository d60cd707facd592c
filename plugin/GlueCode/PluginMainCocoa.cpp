// The macOS-only part of the host interface layer: the host's Cocoa view callbacks. The macOS
// build compiles this unit as Objective-C++; the Linux build, which carries the macOS set, compiles
// it as C++ (nothing here needs the platform).
#include "GlueCode/PluginMain.h"

#if defined(QORA_TARGET_MACOS_SET)

// Bound like every other proxy: resolved through gResolver on first use, the answer cached, a miss
// asked again on the next call. It cannot share PluginMain's file-local binding helper, so the same
// few lines stand here.
void* QORAGetCocoaViewCallbacks() {
  using GetCallbacks = void* (*)();
  static GetCallbacks pGetCocoaViewCallbacks = nullptr;
  if (QORA_UNLIKELY(pGetCocoaViewCallbacks == nullptr) && gResolver != nullptr) {
    pGetCocoaViewCallbacks =
        reinterpret_cast<GetCallbacks>(gResolver("PluginGetCocoaViewCallbacks"));
  }
  if (pGetCocoaViewCallbacks == nullptr) return nullptr;
  return pGetCocoaViewCallbacks();
}

#endif
