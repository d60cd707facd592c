// A minimal host that serves the Fraction class binding from any number of threads: the entries
// the binding asks for, objects with their plug-in data behind a header, strings, and an exception
// pending per thread. Registration happens once, before any thread runs; after that, making an
// object or a string takes the one lock, and nothing else is shared.
#ifndef QUORVEX_TESTS_THREADS_FRACTIONHOST_H
#define QUORVEX_TESTS_THREADS_FRACTIONHOST_H

#include <array>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "EntryTable.h"
#include "GlueCode/PluginMain.h"

namespace threadhost {

struct HostClass {
  const char* name;
  QORAclassDefinition* definition;  // written at registration, before any thread runs
};

// In front of the plug-in data of every object; the data starts at kDataOffset.
struct alignas(16) ObjectHeader {
  const HostClass* hostClass;
};
constexpr std::intptr_t kDataOffset = sizeof(ObjectHeader);

struct HostString {
  std::string bytes;
};

class FractionHost {
 public:
  static FractionHost& instance() {
    static FractionHost host;
    return host;
  }

  static void* resolve(const char* name) { return instance().entries_.lookup(name); }

  // What the host itself does to construct an object of a registered class: make the instance,
  // then the class's constructor runs on it.
  QORAobjectStruct* create(const char* className) { return createInstance(classRef(className)); }
  QORAstringStruct* text(const char* bytes) {
    return buildString(bytes, static_cast<std::int32_t>(std::strlen(bytes)), kQORAEncodingUTF8);
  }
  static std::string textOf(QORAstringStruct* s) {
    return s == nullptr ? "<null>" : reinterpret_cast<HostString*>(s)->bytes;
  }
  // The class of this thread's pending exception, cleared; "" when none is pending.
  static std::string takeRaised() {
    const HostClass* raised = pendingException();
    pendingException() = nullptr;
    return raised == nullptr ? "" : raised->name;
  }

 private:
  FractionHost() {
    entries_.add("RegisterPluginVersion", reinterpret_cast<void*>(&registerVersion));
    entries_.add("pluginObjectType", reinterpret_cast<void*>(&classRef));
    entries_.add("PluginRegisterClass", reinterpret_cast<void*>(&registerClass));
    entries_.add("PluginRegisterMethod", reinterpret_cast<void*>(&registerMethod));
    entries_.add("CreateInstance", reinterpret_cast<void*>(&createInstance));
    entries_.add("RuntimeRaiseException", reinterpret_cast<void*>(&raiseException));
    entries_.add("QORABuildStringWithEncoding", reinterpret_cast<void*>(&buildString));
    entries_.add("PluginGetStringData", reinterpret_cast<void*>(&stringData));
  }

  // Start-up announcements the test has no use for; answered so that start-up goes as with a host.
  static void registerVersion(std::int32_t) {}
  static void registerMethod(QORAmethodEntry*) {}

  static QORAclassRefStruct* classRef(const char* name) {
    for (HostClass& known : instance().classes_) {
      if (std::strcmp(known.name, name) == 0) return reinterpret_cast<QORAclassRefStruct*>(&known);
    }
    return nullptr;
  }

  static void registerClass(QORAclassDefinition* definition) {
    auto* known = reinterpret_cast<HostClass*>(classRef(definition->name));
    if (known == nullptr) return;
    definition->dataOffset = kDataOffset;
    known->definition = definition;
  }

  static QORAobjectStruct* createInstance(QORAclassRefStruct* ref) {
    const auto* known = reinterpret_cast<const HostClass*>(ref);
    if (known == nullptr || known->definition == nullptr) return nullptr;
    const QORAclassDefinition& definition = *known->definition;
    auto memory = std::make_unique<unsigned char[]>(sizeof(ObjectHeader) +
                                                    static_cast<std::size_t>(definition.dataSize));
    new (memory.get()) ObjectHeader{known};
    auto* object = reinterpret_cast<QORAobjectStruct*>(memory.get());
    {
      FractionHost& host = instance();
      const std::lock_guard<std::mutex> lock(host.mutex_);
      host.objects_.push_back(std::move(memory));
    }
    if (definition.constructor != nullptr) definition.constructor(object);
    return object;
  }

  static void raiseException(QORAobjectStruct* exception) {
    pendingException() = reinterpret_cast<const ObjectHeader*>(exception)->hostClass;
  }

  static QORAstringStruct* buildString(const char* bytes, std::int32_t length, std::uint32_t) {
    auto made = std::make_unique<HostString>();
    if (bytes != nullptr) made->bytes.assign(bytes, static_cast<std::size_t>(length));
    auto* handle = reinterpret_cast<QORAstringStruct*>(made.get());
    FractionHost& host = instance();
    const std::lock_guard<std::mutex> lock(host.mutex_);
    host.strings_.push_back(std::move(made));
    return handle;
  }

  static std::uint8_t stringData(QORAstringStruct* s, std::uint32_t, StringDataRecord* record) {
    if (s == nullptr) return 0;
    const std::string& bytes = reinterpret_cast<HostString*>(s)->bytes;
    record->data = bytes.data();
    record->length = static_cast<QORAInteger>(bytes.size());
    return 1;
  }

  static const HostClass*& pendingException() {
    thread_local const HostClass* pending = nullptr;
    return pending;
  }

  std::array<HostClass, 4> classes_{{{"Fraction", nullptr},
                                     {"FractionBadArgumentException", nullptr},
                                     {"FractionDivideByZeroException", nullptr},
                                     {"FractionIntegerOverflowException", nullptr}}};
  proxytest::EntryTable entries_;  // fixed once made, before any thread asks
  std::mutex mutex_;
  std::deque<std::unique_ptr<unsigned char[]>> objects_;
  std::deque<std::unique_ptr<HostString>> strings_;
};

}  // namespace threadhost

#endif  // QUORVEX_TESTS_THREADS_FRACTIONHOST_H
