#include "Runtime.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "PluginFile.h"

namespace quorvex::detail {
namespace {

// Records larger than this are not a plug-in's instance data but a corrupt record.
constexpr std::uintptr_t kMaxDataSize = std::uintptr_t{1} << 20;
constexpr std::uintptr_t kMaxMethods = 4096;

using PluginMain = void (*)(void* (*)(const char*));

void* resolverThunk(const char* name) {
  Runtime* rt = current();
  return rt != nullptr ? rt->resolve(name) : nullptr;
}

// `receiver`: a class's method, called with its object first; else a global function.
Method readMethod(const MethodRecord& entry, bool receiver) {
  Method m;
  m.function = entry.function;
  m.flags = entry.flags;
  if (entry.declaration == nullptr) {
    m.problem = "no declaration";
    return m;
  }
  m.declaration = entry.declaration;
  std::string error;
  std::optional<Declaration> parsed = parseDeclaration(m.declaration, &error);
  if (!parsed) {
    m.problem = error;
    return m;
  }
  m.parsed = std::move(*parsed);
  if (m.parsed.params.size() > kMaxParameters) {
    m.problem = "more than " + std::to_string(kMaxParameters) + " parameters";
  } else if (entry.function == nullptr) {
    m.problem = "no function";
  } else {
    m.valid = true;
    m.result = passingOf(m.parsed.result);
    for (std::size_t i = 0; i < m.parsed.params.size(); ++i)
      m.params[i] = passingOf(m.parsed.params[i].type);
    m.invoke = reinterpret_cast<const void*>(
        invokerFor(m.result, receiver, m.params, m.parsed.params.size()));
  }
  return m;
}

}  // namespace

void destroyLast(Object* object) {
  if (object->rt != nullptr) {
    object->rt->destroy(object);
  } else {
    object->~Object();
    std::free(object);
  }
}

Runtime::Runtime() = default;

Runtime::~Runtime() {
  forgetOverloads();
  Active active(this);
  if (pending != nullptr) releaseObject(pending);
  pending = nullptr;
  drain({0, 0});
  // Objects still held by Values outlive the host: run their destructors now, while the plug-in
  // is loaded, and leave only memory for the last Value to free.
  std::vector<Object*> survivors;
  handles.forEach([&](const void* handle) {
    if (static_cast<const Handle*>(handle)->kind == HandleKind::Object) {
      survivors.push_back(static_cast<Object*>(const_cast<void*>(handle)));
    }
  });
  for (Object* object : survivors) {
    ++object->refs;  // keeps destroy() from freeing what a Value still points at
    destroy(object);
  }
  drain({0, 0});
  if (pending != nullptr) releaseObject(pending);
  library.close();
}

bool Runtime::load(const std::string& path, std::string* error, LoadOptions options) {
  auto refuse = [&](std::string message) {
    if (error != nullptr) *error = std::move(message);
    return false;
  };
  if (loaded) return refuse("a plug-in is already loaded");
  std::string problem = pluginFileProblem(path);
  if (!problem.empty()) return refuse("cannot load " + path + ": " + problem);
  if (options.probeFirst) {
    problem = crashOf([&] { start(path, options.privateCopy, nullptr); });
    if (!problem.empty()) {
      return refuse("cannot load " + path + ": the library is damaged (loading it ended with " +
                    problem + ")");
    }
  }
  return start(path, options.privateCopy, error);
}

bool Runtime::start(const std::string& path, bool fresh, std::string* error) {
  auto refuse = [&](std::string message) {
    library.close();
    if (error != nullptr) *error = std::move(message);
    return false;
  };
  std::string reason;
  if (!library.open(path, fresh, &reason)) return refuse(reason);
  void* entry = library.symbol("QORAPluginMain");
  if (entry == nullptr) return refuse("cannot load " + path + ": no entry point QORAPluginMain");
  if (!library.isCode(entry)) {
    return refuse("cannot load " + path + ": its QORAPluginMain is data, not a function");
  }
  loaded = true;
  Active active(this);
  reinterpret_cast<PluginMain>(entry)(&resolverThunk);
  if (pending != nullptr) releaseObject(pending);  // nothing to surface an exception to at start-up
  pending = nullptr;
  return true;
}

ClassEntry* Runtime::findClass(std::string_view name) const {
  // A program asks for the same class over and over; entries live as long as the runtime.
  if (lastFound != nullptr && sameName(lastFound->info.name, name)) return lastFound;
  for (const auto& cls : classes) {
    if (sameName(cls->info.name, name)) return lastFound = cls.get();
  }
  return nullptr;
}

ClassEntry* Runtime::classNamed(const char* name) {
  if (ClassEntry* known = findClass(name)) return known;
  classes.push_back(std::make_unique<ClassEntry>());
  classes.back()->info.name = name;
  return classes.back().get();
}

void Runtime::registerClass(ClassRecord* record) {
  forgetOverloads();
  if (record == nullptr || record->name == nullptr) return;
  ClassEntry* cls = classNamed(record->name);
  ClassInfo& info = cls->info;
  if (info.registered || record->dataSize > kMaxDataSize) return;
  info.registered = true;
  info.record = record;
  info.version = record->version;
  info.dataSize = record->dataSize;
  info.constructor = record->constructor;
  info.destructor = record->destructor;
  info.methodCount = record->methodCount;
  info.flags = record->flags;
  if (record->methods != nullptr && record->methodCount <= kMaxMethods) {
    for (std::uintptr_t i = 0; i < record->methodCount; ++i) {
      info.methods.push_back(readMethod(record->methods[i], true));
    }
  }
  record->dataOffset = kDataOffset;
  info.dataOffset = kDataOffset;
  cls->record = record;
  order.push_back(cls);
}

void Runtime::registerGlobal(const MethodRecord* entry) {
  forgetOverloads();
  if (entry != nullptr) globals.push_back(readMethod(*entry, false));
}

// A record's constructor or destructor: void(self), run with this runtime answering the entries.
void Runtime::callHook(const void* function, Object* object) {
  Active active(this);
  reinterpret_cast<void (*)(void*)>(const_cast<void*>(function))(object);
}

Object* Runtime::newObject(ClassEntry* cls) {
  std::size_t size = cls->info.dataSize;
  void* memory = cls->spare.take();
  if (memory == nullptr) {
    memory = std::malloc(kDataOffset + size);
    if (memory == nullptr) throw std::bad_alloc();
  }
  auto* object = new (memory) Object();
  object->kind = HandleKind::Object;
  object->rt = this;
  object->cls = cls;
  object->dataSize = size;
  std::memset(static_cast<unsigned char*>(memory) + kDataOffset, 0, size);
  handles.insert(object);
  ++objectCount;
  pool.push_back(object);
  if (cls->info.constructor != nullptr) callHook(cls->info.constructor, object);
  return object;
}

ClassEntry* Runtime::asClass(const void* handle) const {
  for (const auto& cls : classes) {
    if (cls.get() == handle) return cls.get();
  }
  return nullptr;
}

void Runtime::destroy(Object* object) {
  if (object->cls != nullptr && object->cls->info.destructor != nullptr && library.isOpen()) {
    callHook(object->cls->info.destructor, object);
  }
  handles.erase(object);
  --objectCount;
  if (--object->refs > 0) {
    // Still referenced from outside (the Host is going): only the memory is left to free.
    object->rt = nullptr;
    object->cls = nullptr;
    return;
  }
  ClassEntry* cls = object->cls;
  object->~Object();
  if (cls != nullptr) {
    cls->spare.give(object);
  } else {
    std::free(object);
  }
}

void Runtime::dropObjects(std::size_t mark) {
  while (pool.size() > mark) {
    Object* object = pool.back();
    pool.pop_back();
    releaseObject(object);
  }
}

Value Runtime::wrap(Object* object) {
  retainObject(object);
  return Value(object);
}

}  // namespace quorvex::detail
