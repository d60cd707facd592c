// The proxies with logic of their own, the shared caches, and the layer before and at start-up.
// Every scenario starts from a private copy of the plug-in, so its caches start empty.
#include <algorithm>
#include <climits>

#include "PluginCopy.h"

namespace {

using glue::Host;
using glue::PluginCopy;
using Names = std::vector<std::string>;

class Glue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(copy.ok()) << copy.error();
    host.reset();
  }
  PluginCopy copy;
  Host& host = Host::instance();
};

// --- before the entry point, and the entry point itself

TEST_F(Glue, ProxiesCalledBeforeTheResolverIsStoredMissWithoutCrashing) {
  ASSERT_EQ(static_cast<std::atomic<QORAResolver>*>(copy.symbol("gResolver"))->load(), nullptr);
  StringDataRecord record{};
  EXPECT_FALSE(copy.get(&QORAGetStringData)(nullptr, kQORAEncodingUTF8, &record));
  EXPECT_EQ(copy.get(&QORAGetClassRef)("Fraction"), nullptr);
  EXPECT_EQ(copy.get(&QORAnewInstanceWithClass)(nullptr), nullptr);
  copy.get (&QORARegisterClass)(nullptr);
  copy.get (&QORARaiseException)(nullptr);

  // The misses were not remembered: once a resolver is stored, the same proxy binds.
  static QORAclassRefStruct* const kRef = reinterpret_cast<QORAclassRefStruct*>(0x4242);
  host.answer(
      "pluginObjectType", +[](const char*) { return kRef; });
  copy.attachResolver();
  EXPECT_EQ(copy.get(&QORAGetClassRef)("Fraction"), kRef);
  EXPECT_EQ(host.asked(), Names{"pluginObjectType"});
}

TEST_F(Glue, EntryPointWithoutVersionEntryStillRegisters) {
  auto pluginMain = reinterpret_cast<void (*)(QORAResolver)>(copy.symbol("QORAPluginMain"));
  ASSERT_NE(pluginMain, nullptr);
  pluginMain(&Host::resolve);  // a host that answers nothing at all
  ASSERT_FALSE(host.asked().empty());
  EXPECT_EQ(host.asked().front(), "RegisterPluginVersion");
  EXPECT_NE(std::find(host.asked().begin(), host.asked().end(), "PluginRegisterClass"),
            host.asked().end());
}

TEST_F(Glue, EntryPointWithNullResolverDoesNotCallThroughIt) {
  auto pluginMain = reinterpret_cast<void (*)(QORAResolver)>(copy.symbol("QORAPluginMain"));
  pluginMain(nullptr);
  EXPECT_TRUE(host.asked().empty());
}

TEST_F(Glue, EntryPointAnnouncesVersion13Once) {
  static std::vector<std::int32_t> announced;
  announced.clear();
  host.answer(
      "RegisterPluginVersion", +[](std::int32_t v) { announced.push_back(v); });
  reinterpret_cast<void (*)(QORAResolver)>(copy.symbol("QORAPluginMain"))(&Host::resolve);
  EXPECT_EQ(announced, std::vector<std::int32_t>{13});
  EXPECT_EQ(std::count(host.asked().begin(), host.asked().end(), "RegisterPluginVersion"), 1);
}

// --- boolean normalisation: the low byte of the host's answer decides

TEST_F(Glue, StringDataNormalisesTheHostByte) {
  struct Case {
    const char* what;
    std::uint8_t (*entry)(QORAstringStruct*, std::uint32_t, StringDataRecord*);
    std::uint8_t expected;
  };
  const Case cases[] = {
      {"0", [](QORAstringStruct*, std::uint32_t, StringDataRecord*) -> std::uint8_t { return 0; },
       0},
      {"1", [](QORAstringStruct*, std::uint32_t, StringDataRecord*) -> std::uint8_t { return 1; },
       1},
      {"2", [](QORAstringStruct*, std::uint32_t, StringDataRecord*) -> std::uint8_t { return 2; },
       1},
      {"0xFF",
       [](QORAstringStruct*, std::uint32_t, StringDataRecord*) -> std::uint8_t { return 0xFF; }, 1},
  };
  for (const Case& c : cases) {
    PluginCopy fresh;
    host.reset();
    host.answer("PluginGetStringData", c.entry);
    fresh.attachResolver();
    // Read the proxy's answer as the raw byte the ABI returns, not through a C++ bool.
    auto proxy =
        reinterpret_cast<std::uint8_t (*)(QORAstringStruct*, std::uint32_t, StringDataRecord*)>(
            reinterpret_cast<void (*)()>(fresh.get(&QORAGetStringData)));
    StringDataRecord record{};
    EXPECT_EQ(proxy(nullptr, kQORAEncodingUTF8, &record), c.expected) << "host answered " << c.what;
  }
}

TEST_F(Glue, StringDataIgnoresBitsAboveTheHostByte) {
  host.answer(
      "PluginGetStringData",
      +[](QORAstringStruct*, std::uint32_t, StringDataRecord*) -> std::uint32_t {
        return 0x100;  // a byte-wide boolean 0 with garbage above it
      });
  copy.attachResolver();
  StringDataRecord record{};
  EXPECT_FALSE(copy.get(&QORAGetStringData)(nullptr, kQORAEncodingUTF8, &record));
}

// --- shared and separate caches

using BuildString3 = QORAstringStruct* (*)(const char*, std::int32_t, std::uint32_t);
using BuildString2 = QORAstringStruct* (*)(const char*, std::int32_t);

QORAstringStruct* hostBuild3(const char*, std::int32_t, std::uint32_t) {
  return reinterpret_cast<QORAstringStruct*>(0x3333);
}
QORAstringStruct* hostBuild2(const char*, std::int32_t) {
  return reinterpret_cast<QORAstringStruct*>(0x2222);
}

TEST_F(Glue, BuildStringOverloadAndWithEncodingAskOnceBetweenThem) {
  for (bool overloadFirst : {true, false}) {
    PluginCopy fresh;
    host.reset();
    host.answer("QORABuildStringWithEncoding", &hostBuild3);
    fresh.attachResolver();
    auto withEncoding = fresh.get(&QORABuildStringWithEncoding);
    auto overload = fresh.get(static_cast<BuildString3>(&QORABuildString));
    auto first = overloadFirst ? overload : withEncoding;
    auto second = overloadFirst ? withEncoding : overload;
    EXPECT_EQ(first("x", 1, kQORAEncodingUTF8), hostBuild3(nullptr, 0, 0));
    EXPECT_EQ(second("x", 1, kQORAEncodingUTF8), hostBuild3(nullptr, 0, 0));
    EXPECT_EQ(host.asked(), Names{"QORABuildStringWithEncoding"})
        << "overload first: " << overloadFirst;
  }
}

TEST_F(Glue, TwoArgumentBuildStringKeepsItsOwnCache) {
  host.answer("QORABuildStringWithEncoding", &hostBuild3);
  host.answer("QORABuildString", &hostBuild2);
  copy.attachResolver();
  EXPECT_EQ(copy.get(&QORABuildStringWithEncoding)("x", 1, kQORAEncodingUTF8),
            hostBuild3(nullptr, 0, 0));
  EXPECT_EQ(copy.get(static_cast<BuildString2>(&QORABuildString))("x", 1), hostBuild2(nullptr, 0));
  EXPECT_EQ(host.asked(), (Names{"QORABuildStringWithEncoding", "QORABuildString"}));
}

TEST_F(Glue, TwoArgumentBuildStringMissDoesNotBindTheOverload) {
  host.answer("QORABuildStringWithEncoding", &hostBuild3);
  copy.attachResolver();
  EXPECT_EQ(copy.get(static_cast<BuildString2>(&QORABuildString))("x", 1), nullptr);
  EXPECT_EQ(copy.get(static_cast<BuildString3>(&QORABuildString))("x", 1, 0),
            hostBuild3(nullptr, 0, 0));
  EXPECT_EQ(host.asked(), (Names{"QORABuildString", "QORABuildStringWithEncoding"}));
}

// --- instances

struct InstanceHost {
  static inline std::vector<QORAclassRefStruct*> created;
  static QORAobjectStruct* create(QORAclassRefStruct* ref) {
    created.push_back(ref);
    return reinterpret_cast<QORAobjectStruct*>(0x7000);
  }
};

TEST_F(Glue, NewInstanceWithNullClassResolvesAndCachesButDoesNotCall) {
  InstanceHost::created.clear();
  host.answer("CreateInstance", &InstanceHost::create);
  copy.attachResolver();
  auto newInstance = copy.get(&QORAnewInstanceWithClass);
  EXPECT_EQ(newInstance(nullptr), nullptr);
  EXPECT_EQ(host.asked(), Names{"CreateInstance"});
  EXPECT_TRUE(InstanceHost::created.empty());

  auto* ref = reinterpret_cast<QORAclassRefStruct*>(0x5151);
  EXPECT_EQ(newInstance(ref), reinterpret_cast<QORAobjectStruct*>(0x7000));
  EXPECT_EQ(
      copy.get(static_cast<QORAobjectStruct* (*)(QORAclassRefStruct*)>(&QORAnewInstance))(ref),
      reinterpret_cast<QORAobjectStruct*>(0x7000));
  EXPECT_EQ(host.asked(), Names{"CreateInstance"}) << "pNewInstance is shared and bound";
  EXPECT_EQ(InstanceHost::created, (std::vector<QORAclassRefStruct*>{ref, ref}));
}

TEST_F(Glue, NewInstanceMissIsAskedAgainEvenWithNullClass) {
  copy.attachResolver();
  auto newInstance = copy.get(&QORAnewInstanceWithClass);
  EXPECT_EQ(newInstance(nullptr), nullptr);
  EXPECT_EQ(newInstance(reinterpret_cast<QORAclassRefStruct*>(0x5151)), nullptr);
  EXPECT_EQ(host.asked(), (Names{"CreateInstance", "CreateInstance"}));
}

// --- the local functions: no host call at all

TEST_F(Glue, ClassDataAddsTheRegisteredOffset) {
  copy.attachResolver();
  auto classData = copy.get(&QORAGetClassData);
  alignas(16) unsigned char object[64] = {};
  auto* instance = reinterpret_cast<QORAobjectStruct*>(object);
  for (std::intptr_t offset : {0, 48}) {
    QORAclassDefinition record{};
    record.dataOffset = offset;
    EXPECT_EQ(classData(instance, &record), object + offset) << "offset " << offset;
  }
  QORAclassDefinition record{};
  record.dataOffset = 48;
  EXPECT_EQ(classData(nullptr, &record), nullptr) << "a null instance has no data";
  EXPECT_TRUE(host.asked().empty());
}

TEST_F(Glue, ClassFlagSetters) {
  struct Case {
    void (*setter)(QORAclassDefinition*);
    const char* name;
    std::uint32_t before;
    std::uint32_t after;
  };
  const Case cases[] = {
      {&SetClassWebOnly, "SetClassWebOnly", 0x10C, 0x104},
      {&SetClassWebOnly, "SetClassWebOnly", 0x000, 0x100},
      {&SetClassWebOnly, "SetClassWebOnly", 0x108, 0x100},
      {&SetClassWebOnly, "SetClassWebOnly", 0xFFFFFFFF, 0xFFFFFFF7},
      {&SetClassConsoleSafe, "SetClassConsoleSafe", 0x000, 0x004},
      {&SetClassConsoleSafe, "SetClassConsoleSafe", 0x004, 0x004},
      {&SetClassConsoleSafe, "SetClassConsoleSafe", 0x108, 0x10C},
  };
  copy.attachResolver();
  for (const Case& c : cases) {
    QORAclassDefinition record{};
    record.flags = c.before;
    record.dataOffset = 77;
    copy.get(c.setter)(&record);
    EXPECT_EQ(record.flags, c.after) << c.name << std::hex << " from 0x" << c.before;
    EXPECT_EQ(record.dataOffset, 77) << c.name << " touches flags only";
  }
  EXPECT_TRUE(host.asked().empty());
}

}  // namespace
