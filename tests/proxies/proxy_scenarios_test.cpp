// The irregular proxies and the edge cases of the catalogues, one scenario per test. The proxies'
// caches are never reset, so CTest runs every test below in a process of its own; run by hand,
// the program runs the first one and skips the rest.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RecordingHost.h"

namespace {

using proxytest::Host;
using proxytest::Recorder;
using Names = std::vector<std::string>;

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool used = false;
    if (used) GTEST_SKIP() << "needs fresh caches: run it in a process of its own (ctest does)";
    used = true;
    Host::install();
    host().reset();
  }
  static Host& host() { return Host::instance(); }
  static Names asked() { return host().takeAsked(); }
};

QORAstringStruct* const kString = proxytest::sample<QORAstringStruct*>(1);
QORAobjectStruct* const kObject = proxytest::sample<QORAobjectStruct*>(2);
QORAarrayStruct* const kArray = proxytest::sample<QORAarrayStruct*>(3);
const char kBytes[] = "bytes";
constexpr char kLenB[] = "LenB( s as string ) as integer";

// A host with "QORALoadGlobalMethod" (which knows LenB, measuring every string as 42 bytes) and,
// separately, "StringGetCString".
struct LenB;
using LenBEntry = Recorder<LenB, QORAInteger, QORAstringStruct*>;
struct Loader;
using LoaderEntry = Recorder<Loader, void*, void*, const char*>;
struct CString;
using CStringEntry = Recorder<CString, const char*, QORAstringStruct*>;

void offerLoader(bool knowsLenB = true) {
  LenBEntry::result = 42;
  LoaderEntry::result = knowsLenB ? reinterpret_cast<void*>(&LenBEntry::entry) : nullptr;
  Host::instance().answer("QORALoadGlobalMethod", &LoaderEntry::entry);
}
void offerCString() {
  CStringEntry::result = kBytes;
  Host::instance().answer("StringGetCString", &CStringEntry::entry);
}

TEST_F(Scenario, ConstantMissValues) {
  EXPECT_EQ(QORAGetSystemTextEncoding(), 0x08000100u);
  EXPECT_EQ(QORARegisterBackgroundTask(nullptr, 5, nullptr), -1);
  EXPECT_EQ(QORAGetQXVersion(), 0.0);
  EXPECT_EQ(asked(), (Names{"QORAGetSystemTextEncoding", "PluginRegisterBackgroundTask",
                            "QORAGetQXVersion"}));
}

TEST_F(Scenario, StringContentsOfANullStringAsksNothing) {
  offerLoader();
  offerCString();
  QORAInteger length = 7;
  EXPECT_EQ(QORAGetStringContents(nullptr, &length), nullptr);
  EXPECT_EQ(length, 7);
  EXPECT_TRUE(asked().empty());
}

TEST_F(Scenario, StringContentsDeliverTheLengthWithoutTheBytes) {
  offerLoader();
  QORAInteger length = 7;
  EXPECT_EQ(QORAGetStringContents(kString, &length), nullptr);
  EXPECT_EQ(length, 42);
  EXPECT_EQ(asked(), (Names{"StringGetCString", "QORALoadGlobalMethod"}));
  EXPECT_EQ(std::get<0>(LenBEntry::last), kString);
  EXPECT_EQ(std::get<0>(LoaderEntry::last), nullptr);
  EXPECT_STREQ(std::get<1>(LoaderEntry::last), kLenB);

  // The bytes' miss is retried; LenB, once found, is kept.
  offerCString();
  length = 0;
  EXPECT_EQ(QORAGetStringContents(kString, &length), kBytes);
  EXPECT_EQ(length, 42);
  EXPECT_EQ(asked(), Names{"StringGetCString"});
  EXPECT_EQ(LoaderEntry::calls, 1);
}

TEST_F(Scenario, StringContentsDeliverTheBytesWithoutTheLength) {
  offerCString();
  QORAInteger length = 7;
  EXPECT_EQ(QORAGetStringContents(kString, &length), kBytes);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(asked(), (Names{"StringGetCString", "QORALoadGlobalMethod"}));
  EXPECT_EQ(QORAGetStringContents(kString, &length), kBytes);
  EXPECT_EQ(asked(), Names{"QORALoadGlobalMethod"}) << "the length's miss is retried";

  // With both at hand, a null length address gets nothing stored and LenB is not called.
  offerLoader();
  EXPECT_EQ(QORAGetStringContents(kString, nullptr), kBytes);
  EXPECT_EQ(LenBEntry::calls, 0);
}

TEST_F(Scenario, OneMethodLoaderServesAllFourOfItsUsers) {
  offerLoader();
  offerCString();
  EXPECT_EQ(QORALoadFrameworkMethod("Foo() as integer"),
            reinterpret_cast<void*>(&LenBEntry::entry));
  EXPECT_EQ(asked(), Names{"QORALoadGlobalMethod"});
  EXPECT_STREQ(std::get<1>(LoaderEntry::last), "Foo() as integer");

  EXPECT_EQ(QORAStringLength(kString), 42);
  QORAInteger length = 0;
  EXPECT_EQ(QORAGetStringContents(kString, &length), kBytes);
  void* const ignored = proxytest::sample<void*>(9);
  EXPECT_NE(QORALoadGlobalMethod(ignored, kLenB), nullptr);
  EXPECT_EQ(asked(), Names{"StringGetCString"}) << "the loader is not asked for again";
  EXPECT_EQ(LoaderEntry::calls, 4);
  EXPECT_EQ(std::get<0>(LoaderEntry::last), nullptr) << "the first argument is never passed on";
  EXPECT_STREQ(std::get<1>(LoaderEntry::last), kLenB);
}

TEST_F(Scenario, StringLengthRetriesTheLoaderAndThenLenB) {
  EXPECT_EQ(QORAStringLength(kString), 0);
  EXPECT_EQ(QORAStringLength(kString), 0);
  EXPECT_EQ(asked(), (Names{"QORALoadGlobalMethod", "QORALoadGlobalMethod"}));

  offerLoader(/*knowsLenB=*/false);
  EXPECT_EQ(QORAStringLength(kString), 0);
  EXPECT_EQ(QORAStringLength(kString), 0);
  EXPECT_EQ(asked(), Names{"QORALoadGlobalMethod"});
  EXPECT_EQ(LoaderEntry::calls, 2) << "a missing LenB is asked for again";

  offerLoader();
  EXPECT_EQ(QORAStringLength(kString), 42);
  EXPECT_EQ(QORAStringLength(kString), 42);
  EXPECT_EQ(LoaderEntry::calls, 3) << "LenB, once found, is kept";
  EXPECT_EQ(LenBEntry::calls, 2);
  EXPECT_TRUE(asked().empty());
}

TEST_F(Scenario, NewVariantIntegerFallsBackToTheInt32EntryOnWindowsX86Only) {
  struct Int32;
  using Entry = Recorder<Int32, QORAobjectStruct*, QORAInteger>;
  Entry::result = kObject;
  host().answer("Int32ToVariant", &Entry::entry);
#if defined(QORA_TARGET_WIN32_X86)
  EXPECT_EQ(QORANewVariantInteger(-5), kObject);
  EXPECT_EQ(std::get<0>(Entry::last), -5);
  EXPECT_EQ(asked(), (Names{"IntegerToVariant", "Int32ToVariant"}));
  // QORANewVariantInt32 keeps a cache of its own for the same entry.
  EXPECT_EQ(QORANewVariantInt32(-6), kObject);
  EXPECT_EQ(asked(), Names{"Int32ToVariant"});
#else
  EXPECT_EQ(QORANewVariantInteger(-5), nullptr);
  EXPECT_EQ(asked(), Names{"IntegerToVariant"});
  EXPECT_EQ(Entry::calls, 0);
#endif
}

#if defined(QORA_TARGET_MACOS_SET)
TEST_F(Scenario, CopyStringCFStringPassesFalseAndKeepsItsOwnCache) {
  struct CF;
  using Entry = Recorder<CF, CFStringRef, QORAstringStruct*, std::int8_t>;
  Entry::result = proxytest::sample<CFStringRef>(4);
  host().answer("QORAGetStringCFString", &Entry::entry);
  EXPECT_EQ(QORAGetStringCFString(kString, -1), Entry::result);
  EXPECT_EQ(std::get<1>(Entry::last), -1) << "the caller's flag, sign-extended";
  EXPECT_EQ(QORACopyStringCFString(kString), Entry::result);
  EXPECT_EQ(Entry::last, std::make_tuple(kString, std::int8_t{0}));
  EXPECT_EQ(asked(), (Names{"QORAGetStringCFString", "QORAGetStringCFString"}));
}
#endif

// A lookup of element procedures, and procedures that log what they get.
struct Lookup;
using LookupEntry = Recorder<Lookup, void*, QORAarrayStruct*>;
struct Insert;
using InsertProc = Recorder<Insert, void, QORAarrayStruct*, QORAInteger, std::int32_t>;
struct Write;
using WriteProc = Recorder<Write, void, QORAarrayStruct*, std::int32_t, QORAInteger>;

TEST_F(Scenario, WriteProcedureTakesTheValueBeforeThePosition) {
  host().answer("PluginInt32ArraySetProc", &LookupEntry::entry);
  host().answer("PluginInt32ArrayInsertProc", &LookupEntry::entry);
  LookupEntry::result = reinterpret_cast<void*>(&WriteProc::entry);
  QORASetArrayValueInt32(kArray, 5, 42);
  EXPECT_EQ(WriteProc::last, std::make_tuple(kArray, std::int32_t{42}, QORAInteger{5}));
  LookupEntry::result = reinterpret_cast<void*>(&InsertProc::entry);
  QORAInsertArrayValueInt32(kArray, 5, 42);
  EXPECT_EQ(InsertProc::last, std::make_tuple(kArray, QORAInteger{5}, std::int32_t{42}));
  EXPECT_EQ(LookupEntry::calls, 2);
}

TEST_F(Scenario, ReadWithoutAnAddressStillAsksTheLookup) {
  struct Read;
  using ReadProc = Recorder<Read, double, QORAarrayStruct*, QORAInteger>;
  LookupEntry::result = reinterpret_cast<void*>(&ReadProc::entry);
  host().answer("PluginDoubleArrayGetProc", &LookupEntry::entry);
  QORAGetArrayValueDouble(kArray, 1, nullptr);
  EXPECT_EQ(LookupEntry::calls, 1);
  EXPECT_EQ(std::get<0>(LookupEntry::last), kArray);
  EXPECT_EQ(ReadProc::calls, 0);
}

// "QORAGetPropValueBool": writes `byte` into the proxy's variable (unless negative), answers
// `flag`.
struct BoolHost {
  static inline int byte = 0;
  static inline std::uint8_t flag = 0;
  static inline std::uint8_t* lastAddress = nullptr;
  static std::uint8_t entry(QORAobjectStruct*, const char*, std::uint8_t* value) {
    lastAddress = value;
    if (byte >= 0) *value = static_cast<std::uint8_t>(byte);
    return flag;
  }
};

TEST_F(Scenario, BooleanGetterCopiesThroughItsOwnByte) {
  bool value = true;
  EXPECT_FALSE(QORAGetPropValueBoolean(kObject, "p", &value));
  EXPECT_TRUE(value) << "a miss leaves the caller's variable alone";

  host().answer("QORAGetPropValueBool", &BoolHost::entry);
  struct Case {
    int byte;
    std::uint8_t flag;
    bool result;
    unsigned char stored;
  };
  const Case cases[] = {
      {2, 1, true, 1},    // any non-zero byte is stored as exactly 1
      {1, 0, false, 1},   // stored whatever the flag
      {0, 2, true, 0},    // the flag is normalised too
      {-1, 0, false, 0},  // a host that writes nothing leaves false, not stack contents
  };
  for (const Case& c : cases) {
    BoolHost::byte = c.byte;
    BoolHost::flag = c.flag;
    unsigned char raw = 0xAA;
    EXPECT_EQ(QORAGetPropValueBoolean(kObject, "p", reinterpret_cast<bool*>(&raw)), c.result);
    EXPECT_EQ(raw, c.stored) << "host byte " << c.byte;
    EXPECT_NE(BoolHost::lastAddress, reinterpret_cast<std::uint8_t*>(&raw))
        << "the host writes the proxy's byte, not the caller's";
  }
}

TEST_F(Scenario, ObjectValueIsWrittenThroughThePointerSetter) {
  struct Ptr;
  using Entry = Recorder<Ptr, std::uint8_t, QORAobjectStruct*, const char*, void*>;
  Entry::result = 1;
  host().answer("QORASetPropValuePtr", &Entry::entry);
  host().answer("QORASetPropValueObject", &Entry::entry);
  EXPECT_TRUE(QORASetPropValue(kObject, "p", kObject));
  EXPECT_EQ(asked(), Names{"QORASetPropValuePtr"});
  EXPECT_EQ(std::get<2>(Entry::last), static_cast<void*>(kObject));
  EXPECT_TRUE(QORASetPropValuePtr(kObject, "p", nullptr));
  EXPECT_TRUE(asked().empty()) << "the overload bound the pointer setter's own cache";
}

TEST_F(Scenario, UInt8SetterUsesTheBooleanEntryWithItsOwnCache) {
  struct Boolean;
  using Entry = Recorder<Boolean, std::uint8_t, QORAobjectStruct*, const char*, std::uint32_t>;
  Entry::result = 1;
  host().answer("QORASetPropValueBoolean", &Entry::entry);
  EXPECT_TRUE(QORASetPropValueUInt8(kObject, "p", 200));
  EXPECT_EQ(std::get<2>(Entry::last), 200u) << "zero-extended";
  EXPECT_TRUE(QORASetPropValueBoolean(kObject, "p", true));
  EXPECT_EQ(std::get<2>(Entry::last), 1u);
  EXPECT_EQ(asked(), (Names{"QORASetPropValueBoolean", "QORASetPropValueBoolean"}));
}

#if defined(QORA_TARGET_WIN32_X86)
TEST_F(Scenario, ColorGetterFallsBackToTheInt32EntryAndKeepsIt) {
  struct Int;
  using Entry = Recorder<Int, std::uint8_t, QORAobjectStruct*, const char*, std::uint32_t*>;
  Entry::result = 1;
  host().answer("QORAGetPropValueInt", &Entry::entry);
  std::uint32_t color = 0;
  EXPECT_TRUE(QORAGetPropValueColor(kObject, "c", &color));
  EXPECT_EQ(asked(), (Names{"QORAGetPropValueColor", "QORAGetPropValueInt"}));
  struct Color;
  using Later = Recorder<Color, std::uint8_t, QORAobjectStruct*, const char*, std::uint32_t*>;
  host().answer("QORAGetPropValueColor", &Later::entry);
  EXPECT_TRUE(QORAGetPropValueColor(kObject, "c", &color));
  EXPECT_TRUE(asked().empty());
  EXPECT_EQ(Entry::calls, 2);
  EXPECT_EQ(Later::calls, 0);
}

TEST_F(Scenario, Int16ReadFallsBackToTheRuntimeLookup) {
  struct Read;
  using ReadProc = Recorder<Read, std::int16_t, QORAarrayStruct*, QORAInteger>;
  ReadProc::result = -3;
  LookupEntry::result = reinterpret_cast<void*>(&ReadProc::entry);
  host().answer("RuntimeArrayDirectGetGetProc", &LookupEntry::entry);
  std::int16_t value = 0;
  QORAGetArrayValueInt16(kArray, 4, &value);
  EXPECT_EQ(value, -3);
  EXPECT_EQ(LookupEntry::last, std::make_tuple(kArray)) << "the lookup gets the array alone";
  EXPECT_EQ(ReadProc::last, std::make_tuple(kArray, QORAInteger{4}));
  EXPECT_EQ(asked(), (Names{"PluginInt16ArrayGetProc", "RuntimeArrayDirectGetGetProc"}));
}

// "QORAGetPropValueInt"/"QORAGetPropValueUInt32": write 9, answer `flag`.
template <class T>
struct WritesNine {
  static inline std::uint8_t flag = 0;
  static std::uint8_t entry(QORAobjectStruct*, const char*, T* value) {
    *value = 9;
    return flag;
  }
};

TEST_F(Scenario, ThirtyTwoBitOverloadsCopyOnlyWhatWasRead) {
  host().answer("QORAGetPropValueInt", &WritesNine<std::int32_t>::entry);
  host().answer("QORAGetPropValueUInt32", &WritesNine<std::uint32_t>::entry);
  long signedValue = 5;
  std::uint32_t unsignedValue = 5;
  EXPECT_FALSE(QORAGetPropValue(kObject, "p", &signedValue));
  EXPECT_FALSE(QORAGetPropValue(kObject, "p", &unsignedValue));
  EXPECT_EQ(signedValue, 5);
  EXPECT_EQ(unsignedValue, 5u);
  WritesNine<std::int32_t>::flag = 1;
  WritesNine<std::uint32_t>::flag = 1;
  EXPECT_TRUE(QORAGetPropValue(kObject, "p", &signedValue));
  EXPECT_TRUE(QORAGetPropValue(kObject, "p", &unsignedValue));
  EXPECT_EQ(signedValue, 9);
  EXPECT_EQ(unsignedValue, 9u);

  // Array reads always copy: 0 when nothing was read.
  std::int32_t element = 5;
  QORAGetArrayValue(kArray, 0, &element);
  EXPECT_EQ(element, 0);
  struct Read;
  using ReadProc = Recorder<Read, std::int32_t, QORAarrayStruct*, QORAInteger>;
  ReadProc::result = -7;
  LookupEntry::result = reinterpret_cast<void*>(&ReadProc::entry);
  host().answer("PluginInt32ArrayGetProc", &LookupEntry::entry);
  QORAGetArrayValue(kArray, 0, &element);
  EXPECT_EQ(element, -7);
}

TEST_F(Scenario, UInt8GetterHandsTheCallersAddressToTheBooleanEntry) {
  BoolHost::byte = 200;
  BoolHost::flag = 1;
  host().answer("QORAGetPropValueBool", &BoolHost::entry);
  std::uint8_t value = 0;
  EXPECT_TRUE(QORAGetPropValue(kObject, "p", &value));
  EXPECT_EQ(BoolHost::lastAddress, &value);
  EXPECT_EQ(value, 200);
}
#endif

TEST_F(Scenario, ControlDataIsTheInstancePlusTheRecordsOffset) {
  constexpr std::size_t kField = sizeof(void*) == 4 ? 60 : 104;
  alignas(void*) unsigned char definition[kField + sizeof(void*)] = {};
  alignas(16) unsigned char instance[64] = {};
  auto* const object = reinterpret_cast<QORAobjectStruct*>(instance);
  for (const std::intptr_t offset : {std::intptr_t{16}, std::intptr_t{0}}) {
    std::memcpy(definition + kField, &offset, sizeof offset);
    EXPECT_EQ(QORAGetControlData(object, definition), instance + offset);
  }
  EXPECT_EQ(QORAGetControlData(nullptr, definition), nullptr);
  EXPECT_TRUE(asked().empty());
}

TEST_F(Scenario, EventInstanceGetsTheRecordsSecondField) {
  EXPECT_EQ(QORAGetEventInstance(kObject, nullptr), nullptr) << "a miss reads no record";
  struct Event;
  using Entry = Recorder<Event, QORAobjectStruct*, QORAobjectStruct*, void*>;
  Entry::result = kObject;
  host().answer("GetEventInstance", &Entry::entry);
  void* const record[3] = {proxytest::sample<void*>(1), proxytest::sample<void*>(2),
                           proxytest::sample<void*>(3)};
  EXPECT_EQ(QORAGetEventInstance(kObject, record), kObject);
  EXPECT_EQ(Entry::last, std::make_tuple(kObject, record[1]));
}

TEST_F(Scenario, HostBytesComeBackAsTheyCameExceptVisibility) {
  struct Byte;
  using Entry = Recorder<Byte, std::uint8_t, QORAobjectStruct*>;
  Entry::result = 2;
  for (const char* name : {"QORAGetControlEnabled", "QORAGetControlFocus", "GetTabPanelVisible",
                           "GetControlVisible"}) {
    host().answer(name, &Entry::entry);
  }
  EXPECT_EQ(QORAGetControlEnabled(kObject), 2);
  EXPECT_EQ(QORAGetControlFocus(kObject), 2);
  EXPECT_EQ(QORAGetTabPanelVisible(kObject), 2);
  EXPECT_EQ(QORAGetControlVisible(kObject), true);
  EXPECT_EQ(static_cast<int>(QORAGetControlVisible(kObject)), 1);
}

TEST_F(Scenario, PictureDescriptionLockPairSharesOneCache) {
  struct Native;
  using Entry = Recorder<Native, void, QORAobjectStruct*, QORApictureDescription*>;
  host().answer("lockPictureDescription", &Entry::entry);
  auto* const description = proxytest::sample<QORApictureDescription*>(5);
  QORALockPictureDescription(kObject, description);
  QORALockPictureDescriptionWithNativeType(kObject, description);
  EXPECT_EQ(Entry::calls, 2);
  EXPECT_FALSE(QORALockPictureDescription(kObject, description, 1));
  EXPECT_EQ(asked(), (Names{"lockPictureDescription", "QORALockPictureDescription"}));
}

// Widths that differ by platform, fixed by the proxies' types.
static_assert(std::is_same_v<decltype(&QORADBConnectionDialogDelete), void (*)(long)>,
              "the dialog handle is as wide as long (32-bit on Windows x86-64)");
#if defined(QORA_TARGET_WINDOWS)
static_assert(sizeof(long) == 4, "Windows long");
static_assert(std::is_same_v<decltype(&QORADrawPicturePrimitive),
                             void (*)(QORAobjectStruct*, QORAobjectStruct*, void*, std::int32_t)>,
              "four arguments on Windows");
#else
static_assert(std::is_same_v<decltype(&QORADrawPicturePrimitive),
                             void (*)(QORAobjectStruct*, QORAobjectStruct*, std::int32_t)>,
              "three arguments on macOS");
#endif

#if defined(QORA_TARGET_WINDOWS)
TEST_F(Scenario, EachDrawPicturePrimitiveAsksForItsOwnEntry) {
  struct Draw;
  using Entry = Recorder<Draw, void, QORAobjectStruct*, QORAobjectStruct*, void*, std::int32_t>;
  host().answer("QORADrawPicturePrimitive", &Entry::entry);
  QORADrawPicturePrimitiveWin(kObject, kObject, nullptr, 3);
  QORADrawPicturePrimitive(kObject, kObject, nullptr, 3);
  EXPECT_EQ(Entry::calls, 1) << "a host with only one of the names serves only that proxy";
  QORADrawPicturePrimitiveWin(kObject, kObject, nullptr, 3);
  EXPECT_EQ(asked(), (Names{"QORADrawPicturePrimitive", "drawPicturePrimitive"}));
}
#endif

#if defined(QORA_TARGET_MACOS_SET)
TEST_F(Scenario, FolderItemFromParentFSRefFormsShareOneCache) {
  struct Folder;
  using Entry = Recorder<Folder, QORAobjectStruct*, const void*, const void*>;
  Entry::result = kObject;
  host().answer("QORAFolderItemFromParentFSRef", &Entry::entry);
  alignas(8) unsigned char parent[80] = {};
  alignas(8) unsigned char name[512] = {};
  const auto& parentRef = *reinterpret_cast<const FSRef*>(parent);
  const auto& nameRef = *reinterpret_cast<const HFSUniStr255*>(name);
  EXPECT_EQ(QORAFolderItemFromParentFSRef(parentRef, nameRef), kObject);
  EXPECT_EQ(Entry::last,
            std::make_tuple(static_cast<const void*>(parent), static_cast<const void*>(name)))
      << "the records by address";
  EXPECT_EQ(QORAFolderItemFromParentFSRef(parent, name), kObject);
  EXPECT_EQ(asked(), Names{"QORAFolderItemFromParentFSRef"});
}

TEST_F(Scenario, CocoaViewCallbacksBindLikeEveryProxy) {
  EXPECT_EQ(QORAGetCocoaViewCallbacks(), nullptr);
  EXPECT_EQ(QORAGetCocoaViewCallbacks(), nullptr);
  EXPECT_EQ(asked(), (Names{"PluginGetCocoaViewCallbacks", "PluginGetCocoaViewCallbacks"}));
  struct Callbacks;
  using Entry = Recorder<Callbacks, void*>;
  Entry::result = proxytest::sample<void*>(6);
  host().answer("PluginGetCocoaViewCallbacks", &Entry::entry);
  EXPECT_EQ(QORAGetCocoaViewCallbacks(), Entry::result);
  EXPECT_EQ(QORAGetCocoaViewCallbacks(), Entry::result);
  EXPECT_EQ(asked(), Names{"PluginGetCocoaViewCallbacks"});
}
#endif

}  // namespace
