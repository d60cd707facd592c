// The host entries a plug-in reaches through the resolver. Each answers for the runtime that is
// active on this thread; outside any runtime it does nothing and answers null or false.
#include <cstdio>

#include "Runtime.h"

namespace quorvex::detail {
namespace {

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string nameOf(const char* text) {
  return text != nullptr ? text : "null";
}

void registerPluginVersion(std::int32_t version) {
  if (Runtime* rt = current())
    rt->logEntry("RegisterPluginVersion", [&] { return std::to_string(version); });
}

void* pluginObjectType(const char* name) {
  Runtime* rt = current();
  if (rt == nullptr) return nullptr;
  rt->logEntry("pluginObjectType", [&] { return nameOf(name); });
  if (name == nullptr || *name == '\0' || rt->faults.objectTypeReturnsNull) return nullptr;
  return rt->classNamed(name);
}

void pluginRegisterClass(void* record) {
  Runtime* rt = current();
  if (rt == nullptr) return;
  auto* rec = static_cast<ClassRecord*>(record);
  rt->logEntry("PluginRegisterClass", [&] { return rec != nullptr ? nameOf(rec->name) : "null"; });
  rt->registerClass(rec);
}

void pluginRegisterMethod(void* entry) {
  Runtime* rt = current();
  if (rt == nullptr) return;
  auto* method = static_cast<const MethodRecord*>(entry);
  rt->logEntry("PluginRegisterMethod",
               [&] { return method != nullptr ? nameOf(method->declaration) : "null"; });
  rt->registerGlobal(method);
}

void* createInstance(void* classRef) {
  Runtime* rt = current();
  if (rt == nullptr) return nullptr;
  ClassEntry* cls = rt->asClass(classRef);
  rt->logEntry("CreateInstance", [&] {
    return cls != nullptr ? cls->info.name : classRef ? "unknown" : "null";
  });
  if (cls == nullptr || !cls->info.registered || rt->faults.createInstanceReturnsNull) {
    return nullptr;
  }
  long& budget = rt->faults.createInstanceBudget;
  if (budget == 0) return nullptr;
  if (budget > 0) --budget;
  return rt->newObject(cls);
}

void runtimeRaiseException(void* exception) {
  Runtime* rt = current();
  if (rt == nullptr) return;
  Object* object = rt->asObject(exception);
  rt->logEntry("RuntimeRaiseException",
               [&] { return object != nullptr ? object->cls->info.name : "null"; });
  if (object == nullptr) {
    rt->nilRaised = true;
    return;
  }
  retainObject(object);
  if (rt->pending != nullptr) releaseObject(rt->pending);  // the latest raise wins
  rt->pending = object;
}

unsigned char pluginGetStringData(void* string, std::uint32_t encoding, void* record) {
  Runtime* rt = current();
  if (rt == nullptr) return 0;
  String* s = rt->asString(string);
  rt->logEntry("PluginGetStringData", [&] {
    return (s != nullptr ? "\"" + s->bytes + "\"" : std::string("null")) + "," + hex(encoding);
  });
  if (s == nullptr || record == nullptr || encoding != kEncodingUtf8 ||
      rt->faults.stringDataFails) {
    return 0;
  }
  auto* out = static_cast<StringDataRecord*>(record);
  out->bytes = s->bytes.data();
  out->length = s->bytes.size();
  return rt->faults.stringDataTrue;
}

// How the entry log shows a byte argument: quoted when readable, "null" or "?" when not.
std::string shownBytes(const char* bytes, std::int32_t length) {
  if (bytes == nullptr) return "null";
  return length >= 0 ? "\"" + std::string(bytes, length) + "\"" : "?";
}

// Always inline in both entries: a plug-in builds a string for every String it returns.
[[gnu::always_inline]] inline void* buildString(Runtime* rt, const char* bytes, std::int32_t length,
                                                std::uint32_t encoding) {
  if (length < 0 || (bytes == nullptr && length != 0)) return nullptr;
  return rt->newString(
      std::string_view(bytes != nullptr ? bytes : "", static_cast<std::size_t>(length)), encoding);
}

void* buildStringWithEncoding(const char* bytes, std::int32_t length, std::uint32_t encoding) {
  Runtime* rt = current();
  if (rt == nullptr) return nullptr;
  rt->logEntry("QORABuildStringWithEncoding", [&] {
    return shownBytes(bytes, length) + "," + std::to_string(length) + "," + hex(encoding);
  });
  return buildString(rt, bytes, length, encoding);
}

void* buildStringPlain(const char* bytes, std::int32_t length) {
  Runtime* rt = current();
  if (rt == nullptr) return nullptr;
  rt->logEntry("QORABuildString",
               [&] { return shownBytes(bytes, length) + "," + std::to_string(length); });
  return buildString(rt, bytes, length, kEncodingUtf8);
}

struct Entry {
  const char* name;
  const void* address;
};

const Entry kEntries[] = {
    {"RegisterPluginVersion", reinterpret_cast<const void*>(&registerPluginVersion)},
    {"pluginObjectType", reinterpret_cast<const void*>(&pluginObjectType)},
    {"PluginRegisterClass", reinterpret_cast<const void*>(&pluginRegisterClass)},
    {"PluginRegisterMethod", reinterpret_cast<const void*>(&pluginRegisterMethod)},
    {"CreateInstance", reinterpret_cast<const void*>(&createInstance)},
    {"RuntimeRaiseException", reinterpret_cast<const void*>(&runtimeRaiseException)},
    {"PluginGetStringData", reinterpret_cast<const void*>(&pluginGetStringData)},
    {"QORABuildStringWithEncoding", reinterpret_cast<const void*>(&buildStringWithEncoding)},
    {"QORABuildString", reinterpret_cast<const void*>(&buildStringPlain)},
};

}  // namespace

void* Runtime::resolve(const char* name) {
  std::string asked = nameOf(name);
  const void* answer = nullptr;
  if (name != nullptr && removed.count(asked) == 0) {
    auto replaced = overrides.find(asked);
    if (replaced != overrides.end()) {
      answer = replaced->second;
    } else {
      for (const Entry& entry : kEntries) {
        if (asked == entry.name) answer = entry.address;
      }
    }
  }
  events.push_back({Event::Kind::Resolve, asked, answer != nullptr ? "hit" : "miss"});
  return const_cast<void*>(answer);
}

}  // namespace quorvex::detail
