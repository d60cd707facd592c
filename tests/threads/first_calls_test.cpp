// Every proxy row of every catalogue this target carries, each called by eight threads at once,
// first against a resolver that misses, then against one that answers. A miss asks on every call,
// so each thread asks once. Without a lock, two threads may both find a cache empty and both ask:
// once answered, a row is asked at least once and at most once per thread, every thread reaches
// the entry with its arguments and gets its result, and after the threads have joined the row is
// never asked again. Overloads, which keep no cache, ask and answer exactly as their typed proxy.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <tuple>
#include <type_traits>
#include <vector>

#include "CatalogueRow.h"
#include "CountingResolver.h"
#include "ElementCheck.h"
#include "RecordingHost.h"
#include "Together.h"

namespace {

using proxytest::ElementEntry;
using proxytest::HitResults;
using proxytest::Row;
using proxytest::RowKind;
using proxytest::sample;
using proxytest::samples;
using threadhost::CountingResolver;
using together::kThreads;

// A host entry of one signature, one per Tag, that any thread may call: it counts every call and
// keeps each thread's last arguments apart.
template <class Tag, class R, class... A>
struct SharedRecorder {
  using Result = std::conditional_t<std::is_void_v<R>, char, R>;
  static inline std::atomic<int> calls{0};
  static inline thread_local std::tuple<A...> last{};
  static inline Result result{};  // set before the threads start

  QORA_TEST_ANY_CALLER static R entry(A... args) {
    last = std::make_tuple(args...);
    calls.fetch_add(1);
    if constexpr (!std::is_void_v<R>) return result;
  }
};

// Runs `call(index)` on every thread at once; the number of threads on which it returned false.
template <class Call>
int failingThreads(const Call& call) {
  std::atomic<int> failed{0};
  together::run([&](int index) {
    if (!call(index)) failed.fetch_add(1);
  });
  return failed.load();
}

// Samples of a thread's own: pointers that a proxy may write through point at memory no other
// thread is given.
template <class... P, std::size_t... I>
std::tuple<std::decay_t<P>...> samplesOf(int thread, std::index_sequence<I...>) {
  return std::tuple<std::decay_t<P>...>(
      sample<std::decay_t<P>>(8 * thread + static_cast<int>(I) + 1)...);
}

// The questions of one bind by many threads: at least one, at most one per thread; a second name
// is asked exactly as often as the first, which it follows only after a miss.
void expectRacedBind(const char* entry, const char* fallback) {
  CountingResolver& host = CountingResolver::instance();
  const int asked = host.asked(entry);
  EXPECT_GE(asked, 1) << "bound without asking";
  EXPECT_LE(asked, kThreads) << "asked more than once by a thread";
  EXPECT_EQ(host.asked(fallback), fallback != nullptr ? asked : 0);
  EXPECT_EQ(host.total(), asked + host.asked(fallback)) << "asked for a name it does not use";
}

template <class Tag, class Ret, class... P, class HostRet, class... H, class MissFn>
void checkRow(const char* proxyName, Ret (*proxy)(P...), HostRet (*)(H...), const char* entry,
              const char* fallback, MissFn miss) {
  SCOPED_TRACE(proxyName);
  using Results = HitResults<Ret, HostRet>;
  using Entry = SharedRecorder<Tag, typename Results::Host, std::decay_t<H>...>;
  CountingResolver& host = CountingResolver::instance();
  host.expect({entry, fallback});
  const auto args = samples<P...>();
  const std::tuple<std::decay_t<H>...> passed(args);
  const auto call = [&](bool bound) {
    if constexpr (std::is_void_v<Ret>) {
      std::apply(proxy, args);
    } else if (!(std::apply(proxy, args) == (bound ? Results::expected(1) : miss()))) {
      return false;
    }
    return !bound || Entry::last == passed;
  };

  EXPECT_EQ(failingThreads([&](int) { return call(false); }), 0) << "miss value";
  EXPECT_EQ(host.asked(entry), kThreads) << "a miss asks again on every call";
  EXPECT_EQ(host.asked(fallback), fallback != nullptr ? kThreads : 0);

  host.forget();
  if constexpr (!std::is_void_v<HostRet>) Entry::result = Results::host(1);
  host.answer(fallback != nullptr ? fallback : entry, &Entry::entry);
  EXPECT_EQ(failingThreads([&](int) { return call(true); }), 0) << "result or arguments";
  EXPECT_EQ(Entry::calls.load(), kThreads);
  expectRacedBind(entry, fallback);

  host.forget();
  EXPECT_TRUE(call(true));
  EXPECT_EQ(host.total(), 0) << "asked again once bound";
}

// One element operation. `access` calls the proxy on the calling thread and tells whether the
// element procedure saw that thread's arguments (and, for a read, whether its value came back).
template <class Lookup, class Proc, class Access>
void checkElementOp(const ElementEntry& names, const Access& access) {
  SCOPED_TRACE(names.entry);
  CountingResolver& host = CountingResolver::instance();
  host.expect({names.entry, names.fallback});
  failingThreads([&](int) { return access(); });
  EXPECT_EQ(host.asked(names.entry), kThreads) << "a miss asks again on every call";
  EXPECT_EQ(Lookup::calls.load() + Proc::calls.load(), 0) << "called after a miss";

  host.forget();
  Lookup::result = reinterpret_cast<void*>(&Proc::entry);
  host.answer(names.fallback != nullptr ? names.fallback : names.entry, &Lookup::entry);
  EXPECT_EQ(failingThreads([&](int) { return access(); }), 0)
      << "the procedure's arguments or the value read";
  EXPECT_EQ(Lookup::calls.load(), kThreads) << "the lookup is asked on every access";
  EXPECT_EQ(Proc::calls.load(), kThreads);
  expectRacedBind(names.entry, names.fallback);

  host.forget();
  EXPECT_TRUE(access());
  EXPECT_EQ(host.total(), 0) << "asked again once bound";
}

// What the threads expect of each operation of an element row.
struct ElementChecks {
  template <class Tag, class R, class... A>
  using Recorder = SharedRecorder<Tag, R, A...>;

  template <class Find, class Proc, class Call, class SawArgs>
  static void write(const ElementEntry& names, const Call& call, const SawArgs& sawArgs) {
    checkElementOp<Find, Proc>(names, [&] {
      call();
      return sawArgs();
    });
  }

  template <class Find, class Proc, class ValueT, class Get, class SawArgs>
  static void read(const ElementEntry& names, const Get& get, const SawArgs& sawArgs) {
    Proc::result = static_cast<typename Proc::Result>(sample<ValueT>(77));
    checkElementOp<Find, Proc>(names, [&] {
      ValueT out{};
      get(&out);
      return sawArgs() && out == static_cast<ValueT>(Proc::result);
    });
  }
};

// Runs after every typed proxy has had its rows checked, so its cache is bound (or, for a target
// written by hand, asks the same way whoever calls it).
template <class Ret, class... P>
void checkForward(const char* name, Ret (*overload)(P...), Ret (*typed)(P...)) {
  SCOPED_TRACE(name);
  CountingResolver& host = CountingResolver::instance();
  host.expect({});
  const auto both = [&](int thread) {
    const auto args = samplesOf<P...>(thread, std::index_sequence_for<P...>{});
    if constexpr (std::is_void_v<Ret>) {
      std::apply(overload, args);
      std::apply(typed, args);
      return true;
    } else {
      return std::apply(overload, args) == std::apply(typed, args);
    }
  };
  EXPECT_EQ(failingThreads(both), 0) << "the overload's result differs from its typed proxy's";
  const int askedByBoth = host.total();
  host.forget();
  failingThreads([&](int thread) {
    std::apply(typed, samplesOf<P...>(thread, std::index_sequence_for<P...>{}));
    return true;
  });
  EXPECT_EQ(askedByBoth, 2 * host.total()) << "the overload asks otherwise than its typed proxy";
}

// A proxy written by hand, binding `entry`: `call(bound)` makes one call on the calling thread and
// tells whether it did what it should with the host lacking the entry, or answering with `answer`.
template <class Call>
void checkIrregular(const char* proxy, const char* entry, void* answer, const Call& call) {
  SCOPED_TRACE(proxy);
  CountingResolver& host = CountingResolver::instance();
  host.expect({entry});
  EXPECT_EQ(failingThreads([&](int) { return call(false); }), 0) << "miss value";
  EXPECT_EQ(host.asked(entry), kThreads) << "a miss asks again on every call";

  host.forget();
  host.answer(entry, answer);
  EXPECT_EQ(failingThreads([&](int) { return call(true); }), 0) << "result or arguments";
  expectRacedBind(entry, nullptr);

  host.forget();
  EXPECT_TRUE(call(true));
  EXPECT_EQ(host.total(), 0) << "asked again once bound";
}

std::uint8_t trueInByte(QORAobjectStruct*, const char*, std::uint8_t* byte) {
  *byte = 7;
  return 1;
}

// The hand-written proxies that keep caches of their own, each raced the same way as a row. The
// LenB caches bind through the shared method loader, which QORAStringLength binds first.
// Returns how many it checked.
int checkIrregularProxies() {
  QORAobjectStruct* const object = sample<QORAobjectStruct*>(1);
  QORAstringStruct* const text = sample<QORAstringStruct*>(2);
  {
    struct Tag;
    checkRow<Tag>("QORAnewInstanceWithClass", &QORAnewInstanceWithClass,
                  static_cast<QORAobjectStruct* (*)(QORAclassRefStruct*)>(nullptr),
                  "CreateInstance", nullptr, []() -> QORAobjectStruct* { return nullptr; });
  }
  checkIrregular("QORAGetPropValueBoolean", "QORAGetPropValueBool",
                 reinterpret_cast<void*>(&trueInByte), [&](bool bound) {
                   bool value = false;
                   return QORAGetPropValueBoolean(object, "p", &value) == bound && value == bound;
                 });
  {
    using Entry = SharedRecorder<struct EventTag, QORAobjectStruct*, QORAobjectStruct*, void*>;
    Entry::result = sample<QORAobjectStruct*>(3);
    void* const event[2] = {nullptr, sample<void*>(4)};
    checkIrregular("QORAGetEventInstance", "GetEventInstance",
                   reinterpret_cast<void*>(&Entry::entry), [&](bool bound) {
                     QORAobjectStruct* const found = QORAGetEventInstance(object, event);
                     if (!bound) return found == nullptr;
                     return found == Entry::result &&
                            Entry::last == std::make_tuple(object, event[1]);
                   });
  }
  using LenB = SharedRecorder<struct LenBTag, QORAInteger, QORAstringStruct*>;
  using Loader = SharedRecorder<struct LoaderTag, void*, void*, const char*>;
  LenB::result = sample<QORAInteger>(5);
  Loader::result = reinterpret_cast<void*>(&LenB::entry);
  checkIrregular("QORAStringLength", "QORALoadGlobalMethod",
                 reinterpret_cast<void*>(&Loader::entry),
                 [&](bool bound) { return QORAStringLength(text) == (bound ? LenB::result : 0); });
  {
    using CString = SharedRecorder<struct CStringTag, const char*, QORAstringStruct*>;
    CString::result = "text";
    checkIrregular("QORAGetStringContents", "StringGetCString",
                   reinterpret_cast<void*>(&CString::entry), [&](bool bound) {
                     QORAInteger length = 0;
                     const char* const bytes = QORAGetStringContents(text, &length);
                     return bytes == (bound ? CString::result : nullptr) && length == LenB::result;
                   });
  }
#if defined(QORA_TARGET_MACOS_SET)
  {
    using Entry = SharedRecorder<struct CFTag, CFStringRef, QORAstringStruct*, std::int8_t>;
    Entry::result = sample<CFStringRef>(6);
    checkIrregular("QORACopyStringCFString", "QORAGetStringCFString",
                   reinterpret_cast<void*>(&Entry::entry), [&](bool bound) {
                     const CFStringRef copied = QORACopyStringCFString(text);
                     if (!bound) return copied == nullptr;
                     return copied == Entry::result && Entry::last == std::make_tuple(text, 0);
                   });
  }
  {
    struct Tag;
    checkRow<Tag>("QORAGetCocoaViewCallbacks", &QORAGetCocoaViewCallbacks,
                  static_cast<void* (*)()>(nullptr), "PluginGetCocoaViewCallbacks", nullptr,
                  []() -> void* { return nullptr; });
  }
  return 7;
#else
  return 5;
#endif
}

// Every row of the layer's index, in one list. The index opens and closes its own expansion; the
// row file's own prologue and epilogue around it change nothing.
std::vector<Row> catalogueRows() {
  std::vector<Row> rows;
#define QORA_TEST_CATALOGUE "all"
#define QORA_TEST_FILE "GlueCode/proxies/catalogues.def"
#include "CatalogueRows.inc"
  return rows;
}

TEST(FirstCalls, EightThreadsAtOnceOnEveryRow) {
  gResolver = &CountingResolver::resolve;
  const together::Crowd crowd;
  const std::vector<Row> rows = catalogueRows();
  int raced = 0;
  for (const Row& row : rows) {
    if (row.kind == RowKind::plain || row.kind == RowKind::element) row.check();
    raced += row.kind == RowKind::irregular ? 0 : row.proxies;
  }
  for (const Row& row : rows) {
    if (row.kind == RowKind::forward) row.check();
  }
  const int byHand = checkIrregularProxies();
  std::printf("%d proxies of the rows and %d written by hand, each called by %d threads at once\n",
              raced, byHand, kThreads);
}

}  // namespace
