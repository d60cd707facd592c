// What the plug-in adds on top of the core: `a + b` from the host's dispatch to the new result
// object, against the core `add` alone; and a bound proxy call against calling the host entry
// directly. The plug-in is the built libquorvex, entered the way a host enters it.
//
//   Add/core              the core `add` on instance data already at hand
//   Add/plugin            FAddF through the method-table pointer, with a minimal host whose
//                         "CreateInstance" is a bump allocator that runs the class constructor
//   Host/createInstance   that minimal host's share, for subtracting it out
//   Add/standInHost       the whole stand-in host (declaration lookup, values, reference counts)
//   Str/core              the core's FractToStr alone, with the strlen and free its caller adds
//   Str/plugin            FractionStr through the method table, with the minimal host's string
//                         entry answering at once: the plug-in's own share of `t = a.Str`
//   Str/standInHost       Str chosen once and called on and on, as a runner's call site does:
//                         the host string made, handed back and released included
//   Str/standInHostInPlace  the same with the text put in a string the caller keeps, as a
//                         runner's String variable takes it
//   Num/standInHost       the same for Num, whose plug-in side does next to nothing: the floor
//                         under every call through the stand-in host
//   Call/direct           the host entry through a function pointer
//   Call/boundProxy       the same entry through its bound proxy
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "GlueCode/PluginMain.h"
#include "fract.h"
#include "quorvex/host.h"

namespace {

// ---- a minimal host: just enough to register the plug-in and hand out instances

constexpr std::intptr_t kDataOffset = 16;  // non-zero, like any real host
constexpr std::size_t kObjectSize = 64;

struct MinimalHost {
  std::vector<unsigned char> arena = std::vector<unsigned char>(kObjectSize * 4096);
  std::size_t next = 0;
  QORAclassDefinition* fraction = nullptr;

  static MinimalHost& get() {
    static MinimalHost host;
    return host;
  }
  void rewind() { next = 0; }
};

QORAobjectStruct* createInstance(QORAclassRefStruct*) {
  MinimalHost& host = MinimalHost::get();
  if (host.next + kObjectSize > host.arena.size()) host.next = 0;
  auto* object = reinterpret_cast<QORAobjectStruct*>(host.arena.data() + host.next);
  host.next += kObjectSize;
  host.fraction->constructor(object);
  return object;
}
void registerClass(QORAclassDefinition* record) {
  record->dataOffset = kDataOffset;
  if (std::strcmp(record->name, "Fraction") == 0) MinimalHost::get().fraction = record;
}
void ignoreMethod(QORAmethodEntry*) {}
void ignoreException(QORAobjectStruct*) {}
void ignoreVersion(std::int32_t) {}
QORAclassRefStruct* classRef(const char*) {
  static int ref;
  return reinterpret_cast<QORAclassRefStruct*>(&ref);
}
QORAstringStruct* buildString(const char*, std::int32_t, std::uint32_t) {
  static int string;
  return reinterpret_cast<QORAstringStruct*>(&string);
}

void* resolve(const char* name) {
  struct Entry {
    const char* name;
    void* address;
  };
  static const Entry entries[] = {
      {"RegisterPluginVersion", reinterpret_cast<void*>(&ignoreVersion)},
      {"pluginObjectType", reinterpret_cast<void*>(&classRef)},
      {"PluginRegisterClass", reinterpret_cast<void*>(&registerClass)},
      {"PluginRegisterMethod", reinterpret_cast<void*>(&ignoreMethod)},
      {"QORABuildStringWithEncoding", reinterpret_cast<void*>(&buildString)},
      {"CreateInstance", reinterpret_cast<void*>(&createInstance)},
      {"RuntimeRaiseException", reinterpret_cast<void*>(&ignoreException)},
  };
  for (const Entry& entry : entries) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

// The plug-in as a host sees it: loaded with dlopen, entered through QORAPluginMain, reached
// through the records it registered. (Linking it into the executable instead would give the
// executable copies of its records that the library itself never writes.)
struct Plugin {
  QORAclassDefinition* fractionClass = nullptr;
  QORAclassRefStruct** fractionRef = nullptr;
  QORAclassRefStruct* (*getClassRef)(const char*) = nullptr;
};

void* symbol(void* library, const char* name) {
  void* address = dlsym(library, name);
  if (address == nullptr) {
    std::fprintf(stderr, "plug-in lacks %s\n", name);
    std::abort();
  }
  return address;
}

const Plugin& startPlugin() {
  static const Plugin plugin = [] {
    void* library = dlopen(QUORVEX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      std::fprintf(stderr, "%s\n", dlerror());
      std::abort();
    }
    reinterpret_cast<void (*)(QORAResolver)>(symbol(library, "QORAPluginMain"))(&resolve);
    Plugin p;
    p.fractionClass = static_cast<QORAclassDefinition*>(symbol(library, "FractionClass"));
    p.fractionRef = static_cast<QORAclassRefStruct**>(symbol(library, "globalFractionRef"));
    p.getClassRef = reinterpret_cast<QORAclassRefStruct* (*)(const char*)>(
        symbol(library, "_Z15QORAGetClassRefPKc"));
    return p;
  }();
  return plugin;
}

fract* dataOf(QORAobjectStruct* object, const QORAclassDefinition* record) {
  return reinterpret_cast<fract*>(reinterpret_cast<unsigned char*>(object) + record->dataOffset);
}

using BinaryMethod = QORAobjectStruct* (*)(QORAobjectStruct*, QORAobjectStruct*);

// Operands whose sum needs the full add: different denominators with a common factor.
constexpr fract kA{7, 12};
constexpr fract kB{5, 18};

void BM_CoreAdd(benchmark::State& state) {
  fract a = kA;
  fract b = kB;
  fract r{0, 1};
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    benchmark::DoNotOptimize(add(r, a, b));
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_CoreAdd)->Name("Add/core");

void BM_PluginAdd(benchmark::State& state) {
  const Plugin& plugin = startPlugin();
  MinimalHost& host = MinimalHost::get();
  // The host finds the function in the table the plug-in registered, as for any method.
  auto fAddF = reinterpret_cast<BinaryMethod>(plugin.fractionClass->methods[9].function);
  // The operands live outside the arena that the results cycle through.
  alignas(16) static unsigned char operands[2][kObjectSize];
  auto* a = reinterpret_cast<QORAobjectStruct*>(operands[0]);
  auto* b = reinterpret_cast<QORAobjectStruct*>(operands[1]);
  *dataOf(a, plugin.fractionClass) = kA;
  *dataOf(b, plugin.fractionClass) = kB;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fAddF);
    QORAobjectStruct* sum = fAddF(a, b);
    benchmark::DoNotOptimize(sum);
  }
  const fract* sum = dataOf(fAddF(a, b), plugin.fractionClass);
  if (sum->num != 31 || sum->den != 36) state.SkipWithError("7/12 + 5/18 is not 31/36");
  host.rewind();
}
BENCHMARK(BM_PluginAdd)->Name("Add/plugin");

void BM_MinimalCreateInstance(benchmark::State& state) {
  QORAclassRefStruct* ref = *startPlugin().fractionRef;
  auto create = &createInstance;
  for (auto _ : state) {
    benchmark::DoNotOptimize(create);
    benchmark::DoNotOptimize(create(ref));
  }
}
BENCHMARK(BM_MinimalCreateInstance)->Name("Host/createInstance");

// The built plug-in in the stand-in host, with the entry log off as for any long run.
bool loadedForTiming(quorvex::Host& host, benchmark::State& state) {
  std::string error;
  if (!host.load(QUORVEX_PLUGIN_PATH, &error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  host.setEntryLogging(false);
  return true;
}

void BM_StandInHostAdd(benchmark::State& state) {
  quorvex::Host host;
  if (!loadedForTiming(host, state)) return;
  const quorvex::Value a = host.construct("Fraction", {7L, 12L}).value;
  const quorvex::Value b = host.construct("Fraction", {5L, 18L}).value;
  for (auto _ : state) {
    quorvex::Outcome sum = host.binary(quorvex::Op::Add, a, b);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_StandInHostAdd)->Name("Add/standInHost");

// ---- Str: the core, the plug-in, the stand-in host

constexpr fract kThird{1, 3};

void BM_CoreStr(benchmark::State& state) {
  fract f = kThird;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f);
    char* text = nullptr;
    FractToStr(text, f);
    benchmark::DoNotOptimize(std::strlen(text));
    std::free(text);
  }
}
BENCHMARK(BM_CoreStr)->Name("Str/core");

const QORAmethodEntry& declared(const QORAclassDefinition& record, const char* declaration) {
  for (std::intptr_t i = 0; i < record.methodCount; ++i) {
    if (std::strcmp(record.methods[i].declaration, declaration) == 0) return record.methods[i];
  }
  std::fprintf(stderr, "plug-in lacks %s\n", declaration);
  std::abort();
}

void BM_PluginStr(benchmark::State& state) {
  const Plugin& plugin = startPlugin();
  using TextMethod = QORAstringStruct* (*)(QORAobjectStruct*);
  auto str =
      reinterpret_cast<TextMethod>(declared(*plugin.fractionClass, "Str() as String").function);
  alignas(16) static unsigned char operand[kObjectSize];
  auto* a = reinterpret_cast<QORAobjectStruct*>(operand);
  *dataOf(a, plugin.fractionClass) = kThird;
  for (auto _ : state) {
    benchmark::DoNotOptimize(str);
    benchmark::DoNotOptimize(str(a));
  }
}
BENCHMARK(BM_PluginStr)->Name("Str/plugin");

// `inPlace`: a String result goes into a string the caller keeps, as a runner's variable takes it.
void standInHostCall(benchmark::State& state, const char* method, const char* expected,
                     bool inPlace) {
  quorvex::Host host;
  if (!loadedForTiming(host, state)) return;
  const quorvex::Value a = host.construct("Fraction", {1L, 3L}).value;
  const std::vector<quorvex::Value> none;
  std::string error;
  const quorvex::Method* chosen = host.choose("Fraction", method, none, &error);
  if (chosen == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::string text;
  for (auto _ : state) {
    quorvex::Outcome out;
    host.callChosen(*chosen, a.handle(), none, out, inPlace ? &text : nullptr);
    benchmark::DoNotOptimize(out);
    benchmark::DoNotOptimize(text);
  }
  if (inPlace && text != "1/3") state.SkipWithError("an unexpected text");
  quorvex::Outcome out;
  if (!host.callChosen(*chosen, a.handle(), none, out) || out.value.describe() != expected)
    state.SkipWithError("an unexpected result");
}
BENCHMARK_CAPTURE(standInHostCall, Str, "Str", "\"1/3\"", false)->Name("Str/standInHost");
BENCHMARK_CAPTURE(standInHostCall, StrInPlace, "Str", "\"1/3\"", true)
    ->Name("Str/standInHostInPlace");
BENCHMARK_CAPTURE(standInHostCall, Num, "Num", "1", false)->Name("Num/standInHost");

// ---- one bound proxy against the entry it forwards to

QORAclassRefStruct* (*volatile gDirectEntry)(const char*) = &classRef;

void BM_DirectCall(benchmark::State& state) {
  const char* name = "Fraction";
  for (auto _ : state) {
    benchmark::DoNotOptimize(name);
    benchmark::DoNotOptimize(gDirectEntry(name));
  }
}
BENCHMARK(BM_DirectCall)->Name("Call/direct");

void BM_BoundProxyCall(benchmark::State& state) {
  // Registration has bound "pluginObjectType" already.
  QORAclassRefStruct* (*volatile proxy)(const char*) = startPlugin().getClassRef;
  const char* name = "Fraction";
  for (auto _ : state) {
    benchmark::DoNotOptimize(name);
    benchmark::DoNotOptimize(proxy(name));
  }
}
BENCHMARK(BM_BoundProxyCall)->Name("Call/boundProxy");

}  // namespace

BENCHMARK_MAIN();
