// Test support for the host interface layer, for both of its test groups (the layer linked into the
// test program, and private copies of the built plug-in): a stand-in resolver that answers from a
// name->address table and logs every name asked, recording host entries of any signature, and
// sample values that show a wrong width, sign or order.
//
// The proxies' caches are never reset, so a process can take a proxy through its miss-then-hit
// sequence only once; scenarios that need a fresh cache run as test cases of their own process.
#ifndef QUORVEX_TESTS_COMMON_RECORDINGHOST_H
#define QUORVEX_TESTS_COMMON_RECORDINGHOST_H

#include <cstdint>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "EntryTable.h"
#include "GlueCode/PluginMain.h"

// Some scenarios hand a proxy an entry whose declared result is wider than the one the proxy calls
// it with (to see which bytes the proxy tests): keep the call-type sanitizer out of those entries.
#if defined(__clang__)
#define QORA_TEST_ANY_CALLER __attribute__((no_sanitize("function")))
#else
#define QORA_TEST_ANY_CALLER
#endif

namespace proxytest {

// The host as the layer sees it: entries by name, and the log of every name asked.
class Host {
 public:
  static Host& instance() {
    static Host host;
    return host;
  }
  static void* resolve(const char* name) {
    Host& self = instance();
    self.asked_.emplace_back(name);
    return self.entries_.lookup(name);
  }
  // Stores the resolver as the entry point would, without registering anything.
  static void install() { gResolver = &Host::resolve; }

  template <class F>
  void answer(const std::string& name, F* entry) {
    entries_.add(name, reinterpret_cast<void*>(entry));
  }
  // Forgets every entry and the log; bound caches keep what they hold.
  void reset() {
    entries_.clear();
    asked_.clear();
  }
  // Every name asked since the last reset or take, in order.
  const std::vector<std::string>& asked() const { return asked_; }
  // The names asked since the last call.
  std::vector<std::string> takeAsked() {
    std::vector<std::string> asked;
    asked.swap(asked_);
    return asked;
  }

 private:
  EntryTable entries_;
  std::vector<std::string> asked_;
};

// Readable form of a value: addresses and numbers only, nothing is dereferenced.
template <class T>
std::string describe(const T& value) {
  std::ostringstream out;
  if constexpr (std::is_pointer_v<T>) {
    out << "0x" << std::hex << reinterpret_cast<std::uintptr_t>(value);
  } else if constexpr (std::is_same_v<T, bool>) {
    out << (value ? "true" : "false");
  } else if constexpr (std::is_integral_v<T>) {
    out << +value;
  } else {
    out << value;
  }
  return out.str();
}

template <class... T>
std::string describeAll(const T&... values) {
  std::string text;
  ((text += (text.empty() ? "" : ", ") + describe(values)), ...);
  return "(" + text + ")";
}

// What the host saw last, whichever recording entry saw it.
struct Trace {
  int calls = 0;
  std::string entry;
  std::string args;
};
inline Trace& trace() {
  static Trace last;
  return last;
}

// Scratch memory that pointer samples point into, so a proxy that writes through one stays inside.
inline unsigned char* scratch() {
  alignas(16) static unsigned char bytes[64 * 64];
  return bytes;
}

// A distinct value per seed that a narrowed, widened, reordered or mis-signed copy would not match:
// bytes and shorts carry their sign bit, wider integers their high bits.
template <class T>
T sample(int seed) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(scratch() + 64 * (seed % 64));
  } else if constexpr (std::is_same_v<T, bool>) {
    return true;
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(seed) + static_cast<T>(0.25);
  } else if constexpr (sizeof(T) == 1) {
    return static_cast<T>(std::is_signed_v<T> ? -100 + seed : 200 + seed);
  } else if constexpr (sizeof(T) == 2) {
    return static_cast<T>(std::is_signed_v<T> ? -2 - seed : 65534 - seed);
  } else if constexpr (sizeof(T) == 4) {
    return std::is_signed_v<T> ? static_cast<T>(-0x12345678 - seed)
                               : static_cast<T>(0x87654321u + static_cast<unsigned>(seed));
  } else {
    return std::is_signed_v<T>
               ? static_cast<T>(-0x123456789ABCDEFLL - seed)
               : static_cast<T>(0xF23456789ABCDEF0ULL + static_cast<unsigned>(seed));
  }
}

// One sample per parameter, each with its own seed.
template <class... P, std::size_t... I>
std::tuple<std::decay_t<P>...> samplesOf(std::index_sequence<I...>) {
  return std::tuple<std::decay_t<P>...>(sample<std::decay_t<P>>(static_cast<int>(I) + 1)...);
}
template <class... P>
std::tuple<std::decay_t<P>...> samples() {
  return samplesOf<P...>(std::index_sequence_for<P...>{});
}

// The host's result for the n-th hit and what the proxy must make of it. A byte flag comes from an
// entry that answers in a wider register, so only a proxy that tests the low byte alone sees 0x100
// as false; a `long` flag of 0x100 is true; a host byte (2) is returned as it came.
template <class Ret, class HostRet>
struct HitResults {
  static constexpr bool kByteFlag =
      std::is_same_v<Ret, bool> && std::is_same_v<HostRet, std::uint8_t>;
  using Host = std::conditional_t<kByteFlag, std::uint32_t, HostRet>;

  static Host host(int hit) {
    if constexpr (kByteFlag) {
      return hit == 1 ? 0x100u : 0x102u;
    } else if constexpr (std::is_same_v<Ret, bool>) {
      return static_cast<Host>(hit == 1 ? 0x100 : 0);
    } else if constexpr (std::is_same_v<HostRet, std::uint8_t>) {
      return static_cast<Host>(hit + 1);
    } else if constexpr (!std::is_void_v<HostRet>) {
      return sample<Host>(90 + hit);
    } else {
      return 0;
    }
  }
  static Ret expected(int hit) {
    if constexpr (kByteFlag) {
      return hit != 1;
    } else if constexpr (!std::is_void_v<Ret>) {
      return static_cast<Ret>(host(hit));
    }
  }
};

// A host entry of one signature, one per Tag: logs its arguments and returns `result`.
template <class Tag, class R, class... A>
struct Recorder {
  using Result = std::conditional_t<std::is_void_v<R>, char, R>;
  static inline const char* name = "";
  static inline int calls = 0;
  static inline std::tuple<A...> last{};
  static inline Result result{};

  QORA_TEST_ANY_CALLER static R entry(A... args) {
    last = std::make_tuple(args...);
    ++calls;
    Trace& seen = trace();
    ++seen.calls;
    seen.entry = name;
    seen.args = describeAll(args...);
    if constexpr (!std::is_void_v<R>) return result;
  }
};

}  // namespace proxytest

#endif  // QUORVEX_TESTS_COMMON_RECORDINGHOST_H
