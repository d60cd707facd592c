// Every plain proxy row, driven the same way: a miss gives the row's miss value and is asked again;
// once the host answers, the entry gets the arguments unchanged, its result comes back (booleans
// as exactly 0 or 1), and the resolver is never asked for it again.
#include <functional>
#include <map>
#include <tuple>
#include <type_traits>
#include <utility>

#include "PluginCopy.h"

namespace {

using glue::Host;
using glue::PluginCopy;

// Distinct, recognisable values of each parameter and result type.
template <class T>
T sample(int seed) {
  if constexpr (std::is_pointer_v<T> && std::is_function_v<std::remove_pointer_t<T>>) {
    return reinterpret_cast<T>(static_cast<std::uintptr_t>(0x10000 + 0x100 * seed));
  } else if constexpr (std::is_pointer_v<T>) {
    // Real, zeroed storage: a failing check may print what a text pointer points at.
    alignas(16) static unsigned char storage[128][64];
    return reinterpret_cast<T>(storage[seed & 127]);
  } else if constexpr (std::is_same_v<T, std::uint8_t>) {
    return 2;  // a host "true" that is not 1
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(seed) + static_cast<T>(0.25);
  } else {
    return static_cast<T>(0x5000 + 17 * seed);
  }
}

// A host entry of a given signature that records its arguments.
template <class Fn>
struct Recorder;
template <class R, class... A>
struct Recorder<R (*)(A...)> {
  using Result = R;
  static inline std::tuple<std::decay_t<A>...> last{};
  static inline int calls = 0;
  static R entry(A... args) {
    last = std::make_tuple(args...);
    ++calls;
    if constexpr (!std::is_void_v<R>) return sample<R>(99);
  }
  static void reset() {
    last = {};
    calls = 0;
  }
};

template <class Fn>
struct ArgsOf;
template <class R, class... A>
struct ArgsOf<R (*)(A...)> {
  using Tuple = std::tuple<std::decay_t<A>...>;
  static Tuple samples() { return make(std::index_sequence_for<A...>{}); }
  template <std::size_t... I>
  static Tuple make(std::index_sequence<I...>) {
    return Tuple{sample<std::decay_t<A>>(static_cast<int>(I) + 1)...};
  }
};

struct Row {
  const char* proxy;
  const char* entry;
  std::function<void(const Row&)> check;
};

template <class Proxy, class HostEntry, class Ret>
void checkRow(const Row& row, Proxy linked, const char* fallback, Ret (*miss)()) {
  PluginCopy copy;
  ASSERT_TRUE(copy.ok()) << copy.error();
  Proxy proxy = copy.get(linked);
  ASSERT_NE(proxy, nullptr) << row.proxy << " is not exported";
  Host& host = Host::instance();
  host.reset();
  copy.attachResolver();
  using Host = Recorder<HostEntry>;
  Host::reset();

  const auto args = ArgsOf<Proxy>::samples();
  auto call = [&] { return std::apply(proxy, args); };
  std::vector<std::string> expected{row.entry};
  if (fallback != nullptr) expected.emplace_back(fallback);

  for (int attempt = 1; attempt <= 2; ++attempt) {
    if constexpr (std::is_void_v<Ret>) {
      call();
    } else {
      EXPECT_EQ(call(), miss()) << row.proxy << ": miss value, attempt " << attempt;
    }
    EXPECT_EQ(host.asked().size(), expected.size() * attempt) << row.proxy << ": asked again";
  }
  EXPECT_EQ(std::vector<std::string>(host.asked().begin(), host.asked().begin() + expected.size()),
            expected);

  host.answer(row.entry, &Host::entry);
  const std::size_t askedBeforeHit = host.asked().size();
  for (int hit = 1; hit <= 2; ++hit) {
    if constexpr (std::is_void_v<Ret>) {
      call();
    } else {
      EXPECT_EQ(call(), static_cast<Ret>(sample<typename Host::Result>(99))) << row.proxy;
    }
    EXPECT_EQ(Host::calls, hit) << row.proxy;
    EXPECT_EQ(Host::last, args) << row.proxy << ": arguments passed on unchanged";
  }
  EXPECT_EQ(host.asked().size(), askedBeforeHit + 1) << row.proxy << ": asked again after a hit";
}

// One row per plain proxy and per forwarding overload, expanded from the catalogues themselves.
// Forwarding rows share their target's cache: after the target's own sequence (in the same copy)
// they must not ask the resolver at all and must reach the same host entry.
template <class Proxy>
void checkForward(const Row& row, Proxy linked, Proxy target) {
  PluginCopy copy;
  ASSERT_TRUE(copy.ok()) << copy.error();
  Proxy forward = copy.get(linked);
  Proxy owner = copy.get(target);
  ASSERT_NE(forward, nullptr);
  ASSERT_NE(owner, nullptr);
  Host& host = Host::instance();
  host.reset();
  copy.attachResolver();
  using Host = Recorder<Proxy>;
  Host::reset();
  host.answer(row.entry, &Host::entry);
  const auto args = ArgsOf<Proxy>::samples();
  std::apply(forward, args);
  std::apply(owner, args);
  EXPECT_EQ(host.asked(), std::vector<std::string>{row.entry}) << row.proxy << ": one cache";
  EXPECT_EQ(Host::calls, 2) << row.proxy;
  EXPECT_EQ(Host::last, args) << row.proxy;
}

std::vector<Row> rows() {
  std::vector<Row> table;
  // A forwarding row reaches its target's host entry. Only targets that are plain rows call that
  // entry directly; forwards to irregular proxies are for those proxies' own scenario tests.
  std::map<std::string, const char*> entryOf;
#define GLUE_TEST_ROW(Ret, HostRet, Name, Cache, Entry, Fallback, Params, HostParams, Args, \
                      MissValue)                                                            \
  entryOf[#Name] = Entry;                                                                   \
  table.push_back(Row{#Name, Entry, [](const Row& row) {                                    \
                        checkRow<Ret(*) Params, HostRet(*) HostParams, Ret>(                \
                            row, static_cast<Ret(*) Params>(&Name), Fallback,               \
                            []() -> Ret { return MissValue; });                             \
                      }});
#define GLUE_TEST_IRREGULAR(Ret, Name, Entry, Params, MissValue)
#define GLUE_TEST_FORWARD(Ret, Name, Params, Args, Target)                                    \
  if (entryOf.count(#Target) != 0) {                                                          \
    table.push_back(Row{#Name " (shares " #Target ")", entryOf[#Target], [](const Row& row) { \
                          checkForward<Ret(*) Params>(row, static_cast<Ret(*) Params>(&Name), \
                                                      static_cast<Ret(*) Params>(&Target));   \
                        }});                                                                  \
  }
#define QORA_ROW GLUE_TEST_ROW
#define QORA_IRREGULAR GLUE_TEST_IRREGULAR
#define QORA_FORWARD GLUE_TEST_FORWARD
#include "GlueCode/proxies/catalogues.def"
  return table;
}

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.proxy << " <- " << row.entry;
}

class ProxyRow : public ::testing::TestWithParam<Row> {};

TEST_P(ProxyRow, MissRetryHitNeverAskedAgain) {
  GetParam().check(GetParam());
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
  std::string name = std::to_string(info.index) + "_";
  for (const char* c = info.param.proxy; *c != '\0' && *c != ' '; ++c) name += *c;
  return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ProxyRow, ::testing::ValuesIn(rows()), rowName);

}  // namespace
