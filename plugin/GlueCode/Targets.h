// Which platform set this build carries, how the entry point is exported, and opaque stand-ins for
// the platform types that pass unread through the platform-specific proxies.
//
// The Linux development build carries the macOS set: it shares the macOS widths (64-bit pointer and
// long) and exports every symbol that is not file-local, so it exercises the same layer.
#ifndef QUORVEX_GLUECODE_TARGETS_H
#define QUORVEX_GLUECODE_TARGETS_H

#if defined(_WIN32)
#define QORA_TARGET_WINDOWS 1
#if !defined(_WIN64)
#define QORA_TARGET_WIN32_X86 1
#endif
#elif defined(__APPLE__)
#define QORA_TARGET_MACOS 1
#define QORA_TARGET_MACOS_SET 1
#else
#define QORA_TARGET_LINUX 1
#define QORA_TARGET_MACOS_SET 1
#endif

// Windows x86 asks a few host entries by a second name when the first is missing.
#if defined(QORA_TARGET_WIN32_X86)
#define QORA_X86_FALLBACK(entry) entry
#else
#define QORA_X86_FALLBACK(entry) nullptr
#endif

// Windows exports the entry point alone; elsewhere everything that is not file-local is exported
// anyway (default visibility), the attribute only makes the entry point's intent explicit.
#if defined(QORA_TARGET_WINDOWS)
#define QORA_EXPORT __declspec(dllexport)
#else
#define QORA_EXPORT __attribute__((visibility("default")))
#endif

// The resolver call is kept out of line so that a bound proxy stays one load, one test, one call.
#if defined(__GNUC__) || defined(__clang__)
#define QORA_COLD __attribute__((noinline, cold))
#define QORA_UNLIKELY(x) __builtin_expect(!!(x), 0)
#elif defined(_MSC_VER)
#define QORA_COLD __declspec(noinline)
#define QORA_UNLIKELY(x) (x)
#else
#define QORA_COLD
#define QORA_UNLIKELY(x) (x)
#endif

// Platform objects the macOS-set proxies pass through without reading them. The real macOS build
// may take them from the system headers; everywhere else an incomplete type keeps them opaque and
// pointer-sized.
#if defined(QORA_TARGET_MACOS_SET)
#if defined(QORA_TARGET_MACOS) && defined(__has_include)
#if __has_include(<CoreFoundation/CFString.h>)
#include <CoreFoundation/CFString.h>
#define QORA_HAVE_CF_TYPES 1
#endif
#endif
#if !defined(QORA_HAVE_CF_TYPES)
struct QORAopaqueCFString;
typedef const struct QORAopaqueCFString* CFStringRef;
#endif
// File-system records (passed by address) and a picture's image: the same incomplete types the
// system headers complete, so either declaration may come first.
struct FSRef;
struct HFSUniStr255;
struct CGImage;
typedef struct CGImage* CGImageRef;
#endif

#endif  // QUORVEX_GLUECODE_TARGETS_H
