// Start-up and registration of the real plug-in, seen from the host: what is asked of the
// resolver and in which order, and the records and tables as registered.
#include <gtest/gtest.h>
#include <quorvex/host.h>

#include <cstring>

#include "ExpectedDeclarations.h"

namespace {

using quorvex::Event;
using quorvex::Host;
using quorvex::Value;

const char* const kClasses[] = {"Fraction", "FractionBadArgumentException",
                                "FractionDivideByZeroException",
                                "FractionIntegerOverflowException"};
const auto& kGlobals = expected::kGlobalDeclarations;
const auto& kMethods = expected::kFractionDeclarations;

class Startup : public ::testing::Test {
 protected:
  void load() {
    std::string error;
    ASSERT_TRUE(host.load(QVX_PLUGIN, &error)) << error;
  }
  const quorvex::Method& method(const char* declaration) {
    for (const quorvex::Method& m : host.findClass("Fraction")->methods) {
      if (m.declaration == declaration) return m;
    }
    ADD_FAILURE() << "no " << declaration;
    static quorvex::Method none;
    return none;
  }
  Host host;
};

TEST_F(Startup, AsksAndCallsExactlyWhatStartUpNeedsInOrder) {
  load();
  std::vector<std::pair<std::string, std::string>> expected = {{"RegisterPluginVersion", "13"}};
  for (const char* name : kClasses) expected.emplace_back("pluginObjectType", name);
  for (const char* name : kClasses) expected.emplace_back("PluginRegisterClass", name);
  for (const char* decl : kGlobals) expected.emplace_back("PluginRegisterMethod", decl);
  expected.emplace_back("QORABuildStringWithEncoding", "null,0,0x08000100");
  std::vector<std::pair<std::string, std::string>> calls;
  for (const Event& e : host.entryLog()) calls.emplace_back(e.name, e.detail);
  EXPECT_EQ(calls, expected);
  // Each entry asked once, just before its first use, and nothing else.
  EXPECT_EQ(
      host.resolverLog(),
      (std::vector<std::string>{"RegisterPluginVersion", "pluginObjectType", "PluginRegisterClass",
                                "PluginRegisterMethod", "QORABuildStringWithEncoding"}));
  const std::vector<Event>& events = host.events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0].kind, Event::Kind::Resolve);
  EXPECT_EQ(events[1].kind, Event::Kind::Entry);
  EXPECT_EQ(events[1].name, "RegisterPluginVersion");
}

TEST_F(Startup, RecordsAndTablesAsRegistered) {
  load();
  EXPECT_EQ(host.classNames(), std::vector<std::string>(std::begin(kClasses), std::end(kClasses)));
  const quorvex::ClassInfo* fraction = host.findClass("Fraction");
  ASSERT_NE(fraction, nullptr);
  EXPECT_EQ(fraction->version, 13u);
  EXPECT_EQ(fraction->flags, 4u);
  EXPECT_EQ(fraction->dataSize, 2 * sizeof(long));
  EXPECT_NE(fraction->dataOffset, 0u);
  ASSERT_EQ(fraction->methodCount, 24u);
  ASSERT_EQ(fraction->methods.size(), 24u);
  for (std::size_t i = 0; i < 24; ++i) {
    const quorvex::Method& m = fraction->methods[i];
    EXPECT_EQ(m.declaration, kMethods[i]);  // byte for byte, "as" included
    EXPECT_TRUE(m.valid) << m.declaration << ": " << m.problem;
    EXPECT_EQ(m.flags, 4u) << m.declaration;
  }
  EXPECT_EQ(fraction->constructor, method("Constructor()").function);
  EXPECT_NE(fraction->destructor, nullptr);
  EXPECT_NE(fraction->destructor, fraction->constructor);
  // Integer on the left of + and * is the same function as on the right; - and / have their own.
  auto fn = [&](const char* d) { return method(d).function; };
  EXPECT_EQ(fn(kMethods[11]), fn(kMethods[10]));
  EXPECT_EQ(fn(kMethods[17]), fn(kMethods[16]));
  EXPECT_NE(fn(kMethods[14]), fn(kMethods[13]));
  EXPECT_NE(fn(kMethods[20]), fn(kMethods[19]));
  for (const char* name : {kClasses[1], kClasses[2], kClasses[3]}) {
    const quorvex::ClassInfo* e = host.findClass(name);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->registered);
    EXPECT_EQ(e->version, 13u);
    EXPECT_EQ(e->flags, 4u);
    EXPECT_EQ(e->dataSize, 0u);
    EXPECT_EQ(e->methodCount, 0u);
    EXPECT_EQ(e->constructor, nullptr);
    EXPECT_EQ(e->destructor, nullptr);
    EXPECT_TRUE(host.isExceptionClass(name));
  }
  ASSERT_EQ(host.globals().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(host.globals()[i].declaration, kGlobals[i]);
    EXPECT_TRUE(host.globals()[i].valid);
  }
}

TEST_F(Startup, NewInstanceHoldsZeroOverOneAtTheAssignedOffset) {
  load();
  Value f = host.construct("Fraction").value;
  quorvex::DataView data = host.instanceData(f);
  ASSERT_EQ(data.size, 2 * sizeof(long));
  long stored[2];
  std::memcpy(stored, data.bytes, sizeof stored);
  EXPECT_EQ(stored[0], 0);
  EXPECT_EQ(stored[1], 1);
  // and the whole path works: construct, operator, text
  Value g = host.construct("Fraction", {3, 4}).value;
  quorvex::Outcome sum = host.binary(quorvex::Op::Add, 1, g);
  ASSERT_TRUE(sum.ok()) << sum.error;
  EXPECT_EQ(host.call(sum.value, "Str2").value.asString(), "7/4");
}

TEST_F(Startup, LoadsWithoutAVersionEntry) {
  host.removeEntry("RegisterPluginVersion");
  load();
  EXPECT_EQ(host.resolverLog().front(), "RegisterPluginVersion");
  for (const Event& e : host.entryLog()) EXPECT_NE(e.name, "RegisterPluginVersion");
  EXPECT_EQ(host.classNames().size(), 4u);
}

}  // namespace
