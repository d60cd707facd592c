// Every proxy of every catalogue this target carries, expanded from the catalogue files themselves:
// against a host without the entry it returns its miss value after exactly one question for the
// entry's name (the second name after it where Windows x86 has one), and asks again on the next
// call; once the host answers, the entry receives the arguments converted only as the row states,
// in order, its result comes back (booleans as exactly 0 or 1, byte flags tested at their low
// byte), and the name is never asked again. Element proxies ask their lookup on every access.
// Overloads reach their typed proxy's entry through its cache. Prints how many proxies each
// catalogue holds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "CatalogueRow.h"
#include "ElementCheck.h"
#include "RecordingHost.h"

namespace {

using proxytest::describeAll;
using proxytest::ElementEntry;
using proxytest::HitResults;
using proxytest::Host;
using proxytest::Recorder;
using proxytest::Row;
using proxytest::RowKind;
using proxytest::sample;
using proxytest::samples;
using proxytest::trace;

template <class Tuple>
std::string describeTuple(const Tuple& values) {
  return std::apply([](const auto&... v) { return describeAll(v...); }, values);
}

std::vector<std::string> namesAsked(const char* entry, const char* fallback) {
  std::vector<std::string> names{entry};
  if (fallback != nullptr) names.emplace_back(fallback);
  return names;
}

// An integer reaches the host with the caller's value whatever width the host takes it at: a
// widened value is sign- or zero-extended by its own signedness, never reinterpreted.
template <class From, class To>
bool keepsValue(const From& from, const To& to) {
  if constexpr (std::is_integral_v<From> && std::is_integral_v<To> && !std::is_same_v<From, bool>) {
    return std::is_signed_v<From> == std::is_signed_v<To> || sizeof(To) > sizeof(From)
               ? static_cast<long double>(from) == static_cast<long double>(to)
               : false;
  } else {
    return true;
  }
}
template <class... P, class... H, std::size_t... I>
bool keepsValues(const std::tuple<P...>& from, const std::tuple<H...>& to,
                 std::index_sequence<I...>) {
  return (keepsValue(std::get<I>(from), std::get<I>(to)) && ...);
}

// The getters whose host entries answer with a flag as wide as the platform's long; every other
// boolean proxy's entry answers with one byte.
bool hasLongFlag(const std::string& proxy) {
  static const char* const kLongFlagGetters[] = {
      "QORAGetPropValueInt32",   "QORAGetPropValueString",  "QORAGetPropValueDouble",
      "QORAGetPropValueObject",  "QORAGetPropValuePtr",     "QORAGetPropValueCString",
      "QORAGetPropValueWString", "QORAGetPropValuePString", "QORAGetPropValueCFStringRef"};
  for (const char* name : kLongFlagGetters) {
    if (proxy == name) return true;
  }
  return false;
}

template <class Tag, class Ret, class... P, class HostRet, class... H, class MissFn>
void checkRow(const char* proxyName, Ret (*proxy)(P...), HostRet (*)(H...), const char* entry,
              const char* fallback, MissFn miss) {
  SCOPED_TRACE(proxyName);
  Host& host = Host::instance();
  host.reset();
  const auto args = samples<P...>();
  const auto call = [&] { return std::apply(proxy, args); };
  const std::vector<std::string> names = namesAsked(entry, fallback);

  for (int attempt = 1; attempt <= 2; ++attempt) {
    if constexpr (std::is_void_v<Ret>) {
      call();
    } else {
      EXPECT_TRUE(call() == miss()) << "miss value, attempt " << attempt;
    }
    EXPECT_EQ(host.takeAsked(), names) << "one question per missed call, attempt " << attempt;
  }

  if constexpr (std::is_same_v<Ret, bool>) {
    EXPECT_EQ((std::is_same_v<HostRet, long>), hasLongFlag(proxyName)) << "flag width";
    EXPECT_TRUE((std::is_same_v<HostRet, long> || std::is_same_v<HostRet, std::uint8_t>));
  }
  using Results = HitResults<Ret, HostRet>;
  using Entry = Recorder<Tag, typename Results::Host, std::decay_t<H>...>;
  Entry::name = fallback != nullptr ? fallback : entry;
  host.answer(Entry::name, &Entry::entry);
  const std::tuple<std::decay_t<H>...> passed(args);
  for (int hit = 1; hit <= 2; ++hit) {
    if constexpr (!std::is_void_v<HostRet>) Entry::result = Results::host(hit);
    if constexpr (std::is_void_v<Ret>) {
      call();
    } else {
      EXPECT_TRUE(call() == Results::expected(hit)) << "result of hit " << hit;
    }
    EXPECT_EQ(Entry::calls, hit);
    EXPECT_TRUE(Entry::last == passed)
        << "host saw " << describeTuple(Entry::last) << ", expected " << describeTuple(passed);
    EXPECT_TRUE(keepsValues(args, Entry::last, std::index_sequence_for<P...>{}))
        << "caller passed " << describeTuple(args) << ", host saw " << describeTuple(Entry::last);
    EXPECT_EQ(host.takeAsked(), hit == 1 ? names : std::vector<std::string>{})
        << "questions on hit " << hit;
  }
}

// One element operation: misses, then a lookup that has no procedure for the array, then one that
// has; the lookup is asked on every call, the procedure never kept. `access` calls the proxy and
// `done` tells whether its effect is visible.
template <class Lookup, class Proc>
void checkElementOp(const ElementEntry& names, const std::function<void()>& access,
                    const std::function<bool()> done, const std::function<bool()> procSawArgs) {
  SCOPED_TRACE(names.entry);
  Host& host = Host::instance();
  host.reset();
  const std::vector<std::string> asked = namesAsked(names.entry, names.fallback);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    access();
    EXPECT_EQ(host.takeAsked(), asked) << "miss, attempt " << attempt;
    EXPECT_EQ(Lookup::calls, 0);
  }
  Lookup::name = names.fallback != nullptr ? names.fallback : names.entry;
  host.answer(Lookup::name, &Lookup::entry);
  Lookup::result = nullptr;
  access();
  EXPECT_EQ(host.takeAsked(), asked) << "bound on the first hit";
  access();
  EXPECT_TRUE(host.takeAsked().empty()) << "never asked again";
  EXPECT_EQ(Lookup::calls, 2) << "lookup asked on every access";
  EXPECT_FALSE(done()) << "no procedure for this array: nothing happens";
  EXPECT_EQ(Proc::calls, 0);

  Lookup::result = reinterpret_cast<void*>(&Proc::entry);
  access();
  EXPECT_EQ(Lookup::calls, 3) << "the procedure is never cached";
  EXPECT_EQ(std::get<0>(Lookup::last), sample<QORAarrayStruct*>(1)) << "lookup gets the array";
  EXPECT_EQ(Proc::calls, 1);
  EXPECT_TRUE(procSawArgs()) << "procedure saw " << describeTuple(Proc::last);
  EXPECT_TRUE(done());
  EXPECT_TRUE(host.takeAsked().empty());
}

// What the table expects of each operation of an element row.
struct ElementChecks {
  template <class Tag, class R, class... A>
  using Recorder = proxytest::Recorder<Tag, R, A...>;

  template <class Find, class Proc, class Call, class SawArgs>
  static void write(const ElementEntry& names, const Call& call, const SawArgs& sawArgs) {
    checkElementOp<Find, Proc>(
        names, call, [] { return Proc::calls > 0; }, sawArgs);
  }

  template <class Find, class Proc, class ValueT, class Get, class SawArgs>
  static void read(const ElementEntry& names, const Get& get, const SawArgs& sawArgs) {
    // Booleans come back from the procedure as a byte; any non-zero byte reads as exactly true.
    if constexpr (std::is_same_v<ValueT, bool>) {
      Proc::result = 2;
    } else {
      Proc::result = sample<typename Proc::Result>(77);
    }
    const ValueT untouched = std::is_same_v<ValueT, bool> ? ValueT{} : sample<ValueT>(5);
    ValueT out = untouched;
    checkElementOp<Find, Proc>(
        names, [&] { get(&out); }, [&] { return !(out == untouched); }, sawArgs);
    EXPECT_TRUE(out == static_cast<ValueT>(Proc::result)) << "stored " << proxytest::describe(out);
    if constexpr (std::is_same_v<ValueT, bool>) {
      unsigned char stored = 0;
      std::memcpy(&stored, &out, 1);
      EXPECT_EQ(stored, 1) << "a Boolean element is stored as exactly 1";
    }
    // Nowhere to store: the lookup is still asked, the procedure is not.
    get(nullptr);
    EXPECT_EQ(Find::calls, 4);
    EXPECT_EQ(Proc::calls, 1);
  }
};

// An overload behaves as its typed proxy: the same questions (none, once the typed proxy is bound),
// the same host entry with the same arguments, the same result.
template <class Ret, class... P>
void checkForward(const char* name, Ret (*overload)(P...), Ret (*typed)(P...)) {
  SCOPED_TRACE(name);
  Host& host = Host::instance();
  host.reset();
  const auto args = samples<P...>();
  const auto run = [&](Ret (*proxy)(P...), proxytest::Trace& seen) {
    trace() = proxytest::Trace{};
    if constexpr (std::is_void_v<Ret>) {
      std::apply(proxy, args);
    } else {
      const Ret result = std::apply(proxy, args);
      trace().args += " -> " + proxytest::describe(result);
    }
    seen = trace();
    return host.takeAsked();
  };
  proxytest::Trace viaTyped;
  proxytest::Trace viaOverload;
  const auto askedTyped = run(typed, viaTyped);
  const auto askedOverload = run(overload, viaOverload);
  EXPECT_EQ(askedOverload, askedTyped);
  EXPECT_EQ(viaOverload.calls, viaTyped.calls);
  EXPECT_EQ(viaOverload.entry, viaTyped.entry);
  EXPECT_EQ(viaOverload.args, viaTyped.args);
}

std::vector<Row> catalogueRows() {
  std::vector<Row> rows;
#define QORA_TEST_CATALOGUE "strings"
#define QORA_TEST_FILE "GlueCode/proxies/strings.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "text"
#define QORA_TEST_FILE "GlueCode/proxies/text.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "objects"
#define QORA_TEST_FILE "GlueCode/proxies/objects.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "registration"
#define QORA_TEST_FILE "GlueCode/proxies/registration.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "runtime"
#define QORA_TEST_FILE "GlueCode/proxies/runtime.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "variants"
#define QORA_TEST_FILE "GlueCode/proxies/variants.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "properties"
#define QORA_TEST_FILE "GlueCode/proxies/properties.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "arrays"
#define QORA_TEST_FILE "GlueCode/proxies/arrays.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "components"
#define QORA_TEST_FILE "GlueCode/proxies/components.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "controls"
#define QORA_TEST_FILE "GlueCode/proxies/controls.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "graphics"
#define QORA_TEST_FILE "GlueCode/proxies/graphics.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "pictures"
#define QORA_TEST_FILE "GlueCode/proxies/pictures.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "databases"
#define QORA_TEST_FILE "GlueCode/proxies/databases.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "sockets"
#define QORA_TEST_FILE "GlueCode/proxies/sockets.def"
#include "CatalogueRows.inc"
#define QORA_TEST_CATALOGUE "files"
#define QORA_TEST_FILE "GlueCode/proxies/files.def"
#include "CatalogueRows.inc"
#if defined(QORA_TARGET_MACOS_SET)
#define QORA_TEST_CATALOGUE "macos"
#define QORA_TEST_FILE "GlueCode/proxies/macos.def"
#include "CatalogueRows.inc"
#endif
#if defined(QORA_TARGET_WINDOWS)
#define QORA_TEST_CATALOGUE "windows"
#define QORA_TEST_FILE "GlueCode/proxies/windows.def"
#include "CatalogueRows.inc"
#endif
  return rows;
}

// The rows that the layer itself expands (PluginMain.h declares from the one index), counted.
int declaredProxies() {
  int count = 0;
#define QORA_ROW(Ret, HostRet, Name, Cache, Entry, Fallback, Params, HostParams, Args, Miss) \
  ++count;
#define QORA_IRREGULAR(Ret, Name, Entry, Params, Miss) ++count;
#define QORA_FORWARD(Ret, Name, Params, Args, Target) ++count;
#include "GlueCode/proxies/catalogues.def"
  return count;
}

const char* targetName() {
#if defined(QORA_TARGET_WIN32_X86)
  return "Windows x86";
#elif defined(QORA_TARGET_WINDOWS)
  return "Windows x86-64";
#elif defined(QORA_TARGET_MACOS)
  return "macOS x86-64";
#else
  return sizeof(void*) == 8 ? "Linux x86-64 (macOS set)" : "Linux x86 (macOS set)";
#endif
}

void printCounts(const std::vector<Row>& rows) {
  std::printf("Proxies per catalogue on %s:\n", targetName());
  std::printf("  %-13s %6s %6s %8s %8s %9s\n", "catalogue", "total", "plain", "element", "by hand",
              "overload");
  int grand = 0;
  for (std::size_t first = 0; first < rows.size();) {
    int counts[4] = {0, 0, 0, 0};
    std::size_t next = first;
    for (; next < rows.size() && rows[next].catalogue == rows[first].catalogue; ++next) {
      counts[static_cast<int>(rows[next].kind)] += rows[next].proxies;
    }
    const int total = counts[0] + counts[1] + counts[2] + counts[3];
    grand += total;
    std::printf("  %-13s %6d %6d %8d %8d %9d\n", rows[first].catalogue, total, counts[0], counts[1],
                counts[2], counts[3]);
    first = next;
  }
  std::printf("  %-13s %6d\n", "all", grand);
}

TEST(ProxyTable, EveryProxyOfEveryCatalogue) {
  Host::install();
  const std::vector<Row> rows = catalogueRows();
  printCounts(rows);

  int perCatalogueRows = 0;
  for (const Row& row : rows) perCatalogueRows += row.proxies;
  EXPECT_EQ(perCatalogueRows, declaredProxies()) << "a catalogue of the layer is missing here";

  // Typed proxies first: their overloads are checked once the typed proxy is bound.
  for (const Row& row : rows) {
    if (row.kind == RowKind::plain || row.kind == RowKind::element) row.check();
  }
  for (const Row& row : rows) {
    if (row.kind == RowKind::forward) row.check();
  }
}

}  // namespace
