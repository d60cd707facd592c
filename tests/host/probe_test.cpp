// The call machinery, ownership and the resolver, on a plug-in of the tests' own (probe_plugin).
#include <gtest/gtest.h>
#include <quorvex/host.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

using quorvex::Host;
using quorvex::Op;
using quorvex::Outcome;
using quorvex::Value;

class Probe : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(host.load(QVX_PROBE_PLUGIN, &error)) << error;
  }
  Value make(const std::vector<Value>& args) {
    Outcome made = host.construct("Probe", args);
    EXPECT_TRUE(made.ok()) << made.error;
    return made.value;
  }
  std::int64_t count(int what) { return host.callGlobal("Count", {what}).value.asInteger(); }
  Host host;
};

TEST_F(Probe, RegistrationIsReadFromTheRecords) {
  EXPECT_EQ(host.classNames(), (std::vector<std::string>{"Probe", "ProbeException"}));
  const quorvex::ClassInfo* probe = host.findClass("probe");
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->version, 13u);
  EXPECT_EQ(probe->methodCount, probe->methods.size());
  EXPECT_NE(probe->dataOffset, 0u);
  EXPECT_EQ(probe->flags, 4u);
  ASSERT_EQ(host.globals().size(), 8u);
  EXPECT_EQ(host.globals()[3].declaration, "Make(a As Integer) As Probe");
  int invalid = 0;
  for (const quorvex::Method& m : probe->methods) invalid += m.valid ? 0 : 1;
  EXPECT_EQ(invalid, 1);  // "Broken(x Integer)"
  EXPECT_TRUE(host.isExceptionClass("ProbeException"));
  EXPECT_TRUE(host.isExceptionClass("RuntimeException"));
  EXPECT_FALSE(host.isExceptionClass("Probe"));
  EXPECT_FALSE(host.isExceptionClass("NeverHeardOfException"));
}

TEST_F(Probe, ConstructorRunsRecordConstructorThenTheChosenOne) {
  struct Case {
    std::vector<Value> args;
    std::int64_t a;
    double d;
  };
  const Case cases[] = {
      {{41}, 41, 0.0},
      {{2.5}, 0, 2.5},
      {{"four"}, 4, 0.0},
      {{""}, 0, 0.0},
  };
  for (const Case& c : cases) {
    Value p = make(c.args);
    EXPECT_EQ(host.call(p, "marker").value.asInteger(), 7);
    EXPECT_EQ(host.call(p, "Get").value.asInteger(), c.a);
    EXPECT_EQ(host.call(p, "Real").value.asDouble(), c.d);
  }
  Outcome none = host.construct("Probe");
  EXPECT_TRUE(none.failed());  // declares no Constructor()
  EXPECT_NE(none.error.find("Constructor(a As Integer)"), std::string::npos) << none.error;
  EXPECT_TRUE(host.construct("Probe", {true}).failed());
  EXPECT_TRUE(host.construct("Nothing").failed());
}

TEST_F(Probe, ArgumentsAndResultsOfEveryKind) {
  Value p = make({3});
  Value q = make({20});
  EXPECT_EQ(host.call(p, "Sum3", {1000, 0.25, 100}).value.asDouble(), 1103.25);
  EXPECT_EQ(host.call(p, "Sum3", {1000, 2, 100}).value.asDouble(), 1105.0);  // Integer to Double
  EXPECT_EQ(host.call(p, "mix", {1.5, q, "héllo"}).value.asString(), "3|1.5|20|héllo");
  EXPECT_EQ(host.call(p, "MIX", {1.5, nullptr, ""}).value.asString(), "3|1.5|nil|");
  EXPECT_TRUE(host.call(p, "Flip", {false}).value.asBoolean());
  EXPECT_FALSE(host.call(p, "Flip", {true}).value.asBoolean());
  EXPECT_EQ(host.callGlobal("Half", {5}).value.asDouble(), 2.5);
  EXPECT_EQ(host.callGlobal("Describe", {q}).value.asString(), "probe 20");
  EXPECT_EQ(host.callGlobal("Describe", {nullptr}).value.asString(), "nil");
  Value made = host.callGlobal("Make", {-8}).value;
  EXPECT_EQ(made.className(), "Probe");
  EXPECT_EQ(host.call(made, "Get").value.asInteger(), -8);
}

TEST_F(Probe, IntegersBeyondThePluginsWidthAreRefused) {
  const std::int64_t wide = std::int64_t{1} << 40;
  Outcome made = host.construct("Probe", {Value::integer(wide)});
  if (sizeof(long) >= 8) {
    ASSERT_TRUE(made.ok()) << made.error;
    EXPECT_EQ(host.call(made.value, "Get").value.asInteger(), wide);
  } else {
    EXPECT_TRUE(made.failed());
    EXPECT_NE(made.error.find("1099511627776"), std::string::npos) << made.error;
  }
  Outcome narrow = host.construct("Probe", {Value::integer(-2147483647 - 1)});
  ASSERT_TRUE(narrow.ok());
  EXPECT_EQ(host.call(narrow.value, "Get").value.asInteger(), -2147483647 - 1);
}

TEST_F(Probe, ReturnedObjectsKeepTheirIdentity) {
  Value p = make({1});
  Value q = make({2});
  EXPECT_TRUE(host.call(p, "Same", {q}).value.same(q));
  EXPECT_TRUE(host.call(p, "Same", {nullptr}).value.same(p));
  Value twin = host.call(p, "Twin").value;
  EXPECT_FALSE(twin.same(p));
  EXPECT_EQ(host.call(twin, "Get").value.asInteger(), 1);
}

TEST_F(Probe, OverloadsArePickedByTheBestFitAndTiesAreRefused) {
  Value p = make({1});
  Value e = host.construct("ProbeException").value;
  struct Case {
    std::vector<Value> args;
    std::int64_t picked;  // 0: ambiguous
  };
  const Case cases[] = {
      {{p, 1}, 1},         {{e, 1}, 2},       {{p, 1.5}, 3},
      {{nullptr, 1.5}, 3}, {{nullptr, 1}, 0},  // Probe and ProbeException fit Nil alike; the Double
                                               // form fits less
  };
  for (const Case& c : cases) {
    Outcome out = host.callGlobal("pick", c.args);
    if (c.picked == 0) {
      ASSERT_TRUE(out.failed());
      EXPECT_NE(out.error.find("ambiguous"), std::string::npos) << out.error;
    } else {
      EXPECT_EQ(out.value.asInteger(), c.picked) << out.error;
    }
  }
}

TEST_F(Probe, WrongCallsAreRefusedWithWhatIsDeclared) {
  Value p = make({1});
  struct Case {
    const char* method;
    std::vector<Value> args;
    const char* mentions;
  };
  const Case cases[] = {
      {"Get", {1}, "Get() As Integer"},
      {"Flip", {1}, "Flip(b As Boolean) As Boolean"},
      {"Same", {"x"}, "Same(p As Probe) As Probe"},
      {"Nope", {}, "Twin() As Probe"},
      {"Broken", {1}, "no method Probe.Broken"},
  };
  for (const Case& c : cases) {
    Outcome out = host.call(p, c.method, c.args);
    ASSERT_TRUE(out.failed()) << c.method;
    EXPECT_NE(out.error.find(c.mentions), std::string::npos) << out.error;
  }
  EXPECT_TRUE(host.call(Value(3), "Get").failed());
  EXPECT_TRUE(host.call(Value(), "Get").failed());
  EXPECT_TRUE(host.callGlobal("Half", {"2"}).failed());
  EXPECT_TRUE(host.callGlobal("Nope").failed());
}

TEST_F(Probe, NilReceiverReachesThePluginThroughCallAs) {
  EXPECT_EQ(host.callAs("Probe", nullptr, "WhoAmI").value.asString(), "nil self");
  EXPECT_EQ(host.callAs("Probe", make({1}), "WhoAmI").value.asString(), "self");
  EXPECT_TRUE(host.callAs("ProbeException", make({1}), "WhoAmI").failed());
  EXPECT_TRUE(host.callAs("Probe", 5, "WhoAmI").failed());
}

// A method chosen once and called again skips the search, never the checks: each row is a call
// that must not reach the plug-in.
TEST_F(Probe, AChosenMethodIsCalledOnlyWhereItBelongs) {
  Value p = make({7});
  const quorvex::Method* get = host.choose("Probe", "Get", {});
  const quorvex::Method* flip = host.choose("probe", "Flip", {true});
  ASSERT_NE(get, nullptr);
  ASSERT_NE(flip, nullptr);
  Outcome out;
  ASSERT_TRUE(host.callChosen(*get, p.handle(), {}, out));
  EXPECT_EQ(out.value.asInteger(), 7);
  Outcome flipped;
  ASSERT_TRUE(host.callChosen(*flip, p.handle(), {true}, flipped));
  EXPECT_FALSE(flipped.value.asBoolean());

  Value exception = host.construct("ProbeException").value;
  const void* gone = make({1}).handle();
  int stranger = 0;
  const struct {
    const char* what;
    const quorvex::Method* method;
    const void* receiver;
    std::vector<Value> args;
  } refused[] = {
      {"an object of another class", get, exception.handle(), {}},
      {"an object no longer alive", get, gone, {}},
      {"an address the host never issued", get, &stranger, {}},
      {"no object at all", get, nullptr, {}},
      {"an argument of the wrong kind", flip, p.handle(), {1}},
      {"one argument too many", get, p.handle(), {1}},
  };
  for (const auto& r : refused) {
    Outcome none;
    EXPECT_FALSE(host.callChosen(*r.method, r.receiver, r.args, none)) << r.what;
    EXPECT_TRUE(none.ok() && none.value.isNil()) << r.what;
  }
  std::string error;
  EXPECT_EQ(host.choose("Probe", "Nope", {}, &error), nullptr);
  EXPECT_NE(error.find("no method Probe.Nope"), std::string::npos) << error;
  EXPECT_EQ(host.choose("Nothing", "Get", {}, &error), nullptr);
  EXPECT_EQ(error, "no class Nothing");
}

TEST_F(Probe, RaisedExceptionsSurfaceAfterTheCall) {
  Value p = make({1});
  Outcome out = host.call(p, "Fail");
  ASSERT_TRUE(out.raised());
  EXPECT_EQ(out.exceptionClass(), "ProbeException");
  EXPECT_TRUE(out.value.same(p));  // what the function returned is still reported
  Outcome twice = host.call(p, "FailTwice");
  ASSERT_TRUE(twice.raised());
  EXPECT_EQ(twice.value.asInteger(), 5);
  EXPECT_TRUE(host.call(p, "Get").ok());  // nothing left pending for the next call
  EXPECT_TRUE(host.call(p, "RaiseNil").failed());
  EXPECT_TRUE(host.call(p, "Get").ok());
}

TEST_F(Probe, ObjectsLiveExactlyAsLongAsTheyAreReferenced) {
  const std::size_t before = host.liveObjects();
  const std::size_t strings = host.liveStrings();
  {
    Value p = make({1});
    EXPECT_EQ(host.liveObjects(), before + 1);
    EXPECT_EQ(host.call(p, "Churn").value.asInteger(), 3);
    EXPECT_EQ(host.liveObjects(), before + 1);  // made during the call, not returned: gone
    Outcome failed = host.call(p, "Fail");
    EXPECT_EQ(host.liveObjects(), before + 2);  // the exception, held by the outcome
    Value copy = failed.value;
    failed = Outcome();
    EXPECT_EQ(host.liveObjects(), before + 1);
    host.call(p, "Mix", {1.0, p, "text"});
  }
  EXPECT_EQ(host.liveObjects(), before);
  EXPECT_EQ(host.liveStrings(), strings);
  EXPECT_EQ(count(0) - count(1), static_cast<std::int64_t>(before));  // destructor for each
}

TEST_F(Probe, HandlesTheHostNeverIssuedAreRefused) {
  Outcome out = host.call(make({1}), "Bogus");
  EXPECT_TRUE(out.failed());
  EXPECT_TRUE(out.value.isNil());
}

TEST_F(Probe, OperatorsPickTheFormTheOperandsCallFor) {
  Value p = make({10});
  auto a = [&](const Outcome& out) {
    EXPECT_TRUE(out.ok()) << out.error;
    return out.value.isObject() ? host.call(out.value, "Get").value : out.value;
  };
  EXPECT_EQ(a(host.binary(Op::Add, p, 5)).asInteger(), 15);
  EXPECT_EQ(a(host.binary(Op::Add, 5, p)).asInteger(), 15);  // Operator_AddRight
  EXPECT_EQ(a(host.binary(Op::Add, p, make({7}))).asInteger(), 17);
  EXPECT_EQ(a(host.binary(Op::Add, p, nullptr)).asInteger(), 10);  // Nil fits an object
  EXPECT_EQ(a(host.binary(Op::Subtract, p, 3)).asInteger(), 7);
  EXPECT_EQ(a(host.binary(Op::Subtract, 3, p)).asInteger(), -7);   // x - self
  EXPECT_EQ(a(host.binary(Op::Multiply, p, 3)).asInteger(), 300);  // exact Integer overload
  EXPECT_EQ(a(host.binary(Op::Multiply, p, 0.5)).asDouble(), 5.0);
  EXPECT_EQ(a(host.negate(p)).asInteger(), -10);
  EXPECT_TRUE(host.binary(Op::Multiply, 3, p).failed());  // no Operator_MultiplyRight
  EXPECT_TRUE(host.binary(Op::Divide, p, 2).failed());
  EXPECT_TRUE(host.binary(Op::Add, p, "x").failed());
  Outcome plain = host.negate(host.construct("ProbeException").value);
  EXPECT_NE(plain.error.find("no method ProbeException.Operator_Negate"), std::string::npos)
      << plain.error;
  // Operator_Compare answers any negative or positive number; the host reads only its sign
  // and mirrors it when the object is on the right.
  const std::tuple<Op, Value, Value, bool> comparisons[] = {
      {Op::Less, p, 11, true},          {Op::Less, p, 10, false},
      {Op::LessEqual, p, 10, true},     {Op::Greater, p, 9, true},
      {Op::GreaterEqual, p, 11, false}, {Op::Equal, p, 10, true},
      {Op::NotEqual, p, 10, false},     {Op::Less, 9, p, true},
      {Op::Greater, 9, p, false},       {Op::GreaterEqual, 10, p, true},
      {Op::Equal, p, p, true},          {Op::Equal, p, make({10}), false},
      {Op::NotEqual, p, nullptr, true},
  };
  for (const auto& [op, lhs, rhs, expected] : comparisons) {
    Outcome out = host.binary(op, lhs, rhs);
    ASSERT_TRUE(out.ok()) << lhs.describe() << quorvex::opSymbol(op) << rhs.describe() << out.error;
    EXPECT_EQ(out.value.asBoolean(), expected)
        << lhs.describe() << quorvex::opSymbol(op) << rhs.describe();
  }
}

// The language evaluates operands without an object itself (operator_rules.h); the host refuses
// them rather than keep a second copy of those rules.
TEST(HostArithmetic, OperandsWithoutObjectsAreRefused) {
  Host host;
  const std::pair<Value, Value> operands[] = {{2, 3}, {1, 0.5}, {"ab", "cd"}, {nullptr, nullptr}};
  for (const auto& [lhs, rhs] : operands) {
    EXPECT_TRUE(host.binary(Op::Add, lhs, rhs).failed()) << lhs.describe();
    EXPECT_TRUE(host.binary(Op::Equal, lhs, rhs).failed()) << lhs.describe();
  }
  EXPECT_TRUE(host.negate(Value::integer(5)).failed());
}

TEST_F(Probe, ResolverAnswersCanBeRemovedReplacedAndRestored) {
  host.clearEvents();
  static int calls = 0;
  void* (*mine)(const char*) = [](const char*) -> void* {
    ++calls;
    return nullptr;
  };
  host.replaceEntry("pluginObjectType", mine);
  EXPECT_EQ(host.resolve("pluginObjectType"), reinterpret_cast<void*>(mine));
  host.removeEntry("CreateInstance");
  EXPECT_EQ(host.resolve("CreateInstance"), nullptr);
  host.restoreEntry("CreateInstance");
  host.restoreEntry("pluginObjectType");
  EXPECT_NE(host.resolve("CreateInstance"), nullptr);
  EXPECT_NE(host.resolve("pluginObjectType"), reinterpret_cast<void*>(mine));
  EXPECT_EQ(host.resolve("NoSuchEntry"), nullptr);
  EXPECT_EQ(host.resolve(nullptr), nullptr);
  EXPECT_EQ(host.resolverLog(),
            (std::vector<std::string>{"pluginObjectType", "CreateInstance", "CreateInstance",
                                      "pluginObjectType", "NoSuchEntry", "null"}));
  EXPECT_EQ(host.events()[4].detail, "miss");
  EXPECT_EQ(calls, 0);
}

TEST_F(Probe, FaultsBendTheHostsAnswers) {
  Value p = make({4});
  host.faults().createInstanceReturnsNull = true;
  EXPECT_TRUE(host.call(p, "Twin").value.isNil());
  host.faults().createInstanceReturnsNull = false;
  host.faults().createInstanceBudget = 1;
  EXPECT_TRUE(host.call(p, "Twin").value.isObject());
  EXPECT_TRUE(host.call(p, "Twin").value.isNil());
  host.faults().createInstanceBudget = -1;
  host.faults().stringDataFails = true;
  EXPECT_EQ(host.call(p, "Mix", {1.0, nullptr, "x"}).value.asString(), "4|1|nil|<no data>");
}

// Files a user may hand in by mistake, made from the probe library's own bytes.
class BadFiles {
 public:
  BadFiles()
      : dir_(std::filesystem::temp_directory_path() / ("qvx-bad-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_ / "folder.so");
    std::ifstream in(QVX_PROBE_PLUGIN, std::ios::binary);
    library_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ~BadFiles() { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  std::string folder() const { return (dir_ / "folder.so").string(); }
  // Larger than any plug-in, without taking the room: the file system leaves the hole unwritten.
  std::string huge() const {
    const std::string path = write("huge.so", "");
    std::filesystem::resize_file(path, std::uintmax_t{257} << 20);
    return path;
  }
  std::string library() const { return library_; }
  std::string changed(std::size_t at, char byte) const {
    std::string copy = library_;
    copy[at] = byte;
    return copy;
  }

 private:
  std::filesystem::path dir_;
  std::string library_;
};

TEST(Loading, ReportsWhyAFileCannotBeAPlugin) {
  BadFiles files;
  struct Case {
    std::string path;
    const char* mentions;
  };
  std::vector<Case> cases = {
      {"/nonexistent/libnothing.so", "no such file"},
      {QVX_NO_ENTRY, "no entry point QORAPluginMain"},
      {QVX_DATA_ENTRY, "QORAPluginMain is data, not a function"},
      {QVX_TEST_SOURCE, "not a library"},
      {files.folder(), "it is a folder"},
      {files.write("empty.so", ""), "the file is empty"},
      {files.huge(), "larger than any plug-in"},
      {files.write("plugin.dylib", "\xcf\xfa\xed\xfe" + std::string(200, '\0')), "macOS"},
  };
#ifndef _WIN32
  const std::vector<Case> elf = {
      {files.write("cut.so", files.library().substr(0, 4096)), "truncated or damaged"},
      {files.write("cut-header.so", files.library().substr(0, 40)), "truncated or damaged"},
      {files.write("plugin.dll", "MZ" + std::string(200, '\0')), "a Windows DLL"},
      {files.write("other-class.so", files.changed(4, sizeof(void*) == 8 ? 1 : 2)), "-bit library"},
      {files.write("executable.so", files.changed(16, 2)), "not a shared library"},
      {files.write("other-machine.so", files.changed(18, 0x28)), "a library for 32-bit ARM"},
  };
  cases.insert(cases.end(), elf.begin(), elf.end());
#endif
  for (const Case& c : cases) {
    Host host;
    std::string error;
    EXPECT_FALSE(host.load(c.path, &error));
    EXPECT_FALSE(host.loaded());
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  Host twice;
  ASSERT_TRUE(twice.load(QVX_PROBE_PLUGIN));
  EXPECT_FALSE(twice.load(QVX_PROBE_PLUGIN));
}

TEST(Loading, AProbedLoadReportsACrashInsteadOfCrashing) {
#ifdef _WIN32
  GTEST_SKIP() << "no child process to probe in";
#endif
  quorvex::LoadOptions probed;
  probed.probeFirst = true;
  Host host;
  std::string error;
  EXPECT_FALSE(host.load(QVX_CRASH_ENTRY, &error, probed));
  EXPECT_NE(error.find(std::string(QVX_CRASH_ENTRY) + ": the library is damaged"),
            std::string::npos)
      << error;
  Host sound;
  EXPECT_TRUE(sound.load(QVX_PROBE_PLUGIN, &error, probed)) << error;
  EXPECT_EQ(sound.classNames().size(), 2u);  // the probe's start-up did not replace the real one
}

TEST(Loading, EachHostHasItsOwnPlugin) {
  auto first = std::make_unique<Host>();
  Host second;
  ASSERT_TRUE(first->load(QVX_PROBE_PLUGIN));
  ASSERT_TRUE(second.load(QVX_PROBE_PLUGIN));
  Value kept = first->construct("Probe", {1}).value;
  Value other = second.construct("Probe", {2}).value;
  EXPECT_TRUE(first->call(other, "Get").failed());  // objects do not cross hosts
  EXPECT_EQ(second.callGlobal("Count", {0}).value.asInteger(), 1);
  first.reset();  // a Value may outlive its host; dropping it later is safe
  EXPECT_EQ(kept.className(), "");
  EXPECT_EQ(second.call(other, "Get").value.asInteger(), 2);
}

}  // namespace
