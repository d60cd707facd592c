// The public face of the runtime: configuration, loading, introspection and calls.
#include "Runtime.h"

namespace quorvex {

using namespace detail;

Host::Host() : rt_(std::make_unique<Runtime>()) {}
Host::~Host() = default;

void Host::removeEntry(const std::string& name) {
  rt_->overrides.erase(name);
  rt_->removed.insert(name);
}

void Host::replaceEntry(const std::string& name, const void* address) {
  rt_->removed.erase(name);
  rt_->overrides[name] = address;
}

void Host::restoreEntry(const std::string& name) {
  rt_->removed.erase(name);
  rt_->overrides.erase(name);
}

Faults& Host::faults() {
  return rt_->faults;
}

void* Host::resolve(const char* name) {
  Active active(rt_.get());
  return rt_->resolve(name);
}

bool Host::load(const std::string& path, std::string* error, LoadOptions options) {
  return rt_->load(path, error, options);
}

bool Host::loaded() const {
  return rt_->loaded;
}

const std::vector<Event>& Host::events() const {
  return rt_->events;
}

std::vector<std::string> Host::resolverLog() const {
  std::vector<std::string> names;
  for (const Event& e : rt_->events) {
    if (e.kind == Event::Kind::Resolve) names.push_back(e.name);
  }
  return names;
}

std::vector<Event> Host::entryLog() const {
  std::vector<Event> calls;
  for (const Event& e : rt_->events) {
    if (e.kind == Event::Kind::Entry) calls.push_back(e);
  }
  return calls;
}

void Host::clearEvents() {
  rt_->events.clear();
}
void Host::setEntryLogging(bool on) {
  rt_->entryLogging = on;
}

std::vector<std::string> Host::classNames() const {
  std::vector<std::string> names;
  for (const ClassEntry* cls : rt_->order) names.push_back(cls->info.name);
  return names;
}

const ClassInfo* Host::findClass(std::string_view name) const {
  const ClassEntry* cls = rt_->findClass(name);
  return cls != nullptr ? &cls->info : nullptr;
}

const std::vector<Method>& Host::globals() const {
  return rt_->globals;
}

bool Host::isExceptionClass(std::string_view name) const {
  if (sameName(name, "RuntimeException")) return true;
  const ClassEntry* cls = rt_->findClass(name);
  constexpr std::string_view suffix = "Exception";
  return cls != nullptr && cls->info.registered && name.size() > suffix.size() &&
         sameName(name.substr(name.size() - suffix.size()), suffix);
}

Outcome Host::construct(std::string_view className, const std::vector<Value>& args) {
  ClassEntry* cls = rt_->findClass(className);
  if (cls == nullptr) return refused("no class " + std::string(className));
  return rt_->construct(cls, args);
}

Outcome Host::call(const Value& receiver, std::string_view method, const std::vector<Value>& args) {
  if (!receiver.isObject()) {
    return refused(std::string(typeName(receiver.type())) + " has no method " +
                   std::string(method));
  }
  Object* object = Runtime::objectOf(receiver);
  if (object->rt != rt_.get() || object->cls == nullptr)
    return refused("an object of another host");
  return rt_->dispatch(object->cls, receiver, method, args);
}

namespace {

// The registered class `name` names; null, with `error` saying so, when there is none.
ClassEntry* registeredClass(const Runtime& rt, std::string_view name, std::string* error) {
  ClassEntry* cls = rt.findClass(name);
  if (cls != nullptr && cls->info.registered) return cls;
  if (error != nullptr) *error = "no class " + std::string(name);
  return nullptr;
}

}  // namespace

Outcome Host::callAs(std::string_view className, const Value& receiver, std::string_view method,
                     const std::vector<Value>& args) {
  std::string error;
  ClassEntry* cls = registeredClass(*rt_, className, &error);
  if (cls == nullptr) return refused(error);
  if (receiver.isObject()) {
    Object* object = Runtime::objectOf(receiver);
    if (object->rt != rt_.get()) return refused("an object of another host");
    if (object->cls != cls) return refused("receiver is a " + receiver.className());
  } else if (!receiver.isNil()) {
    return refused(std::string("receiver is a ") + typeName(receiver.type()));
  }
  return rt_->dispatch(cls, receiver, method, args);
}

const Method* Host::choose(std::string_view className, std::string_view method,
                           const std::vector<Value>& args, std::string* error) {
  const ClassEntry* cls = registeredClass(*rt_, className, error);
  if (cls == nullptr) return nullptr;
  return chooseOverload(cls->info.methods, cls->info.name, method, args, error);
}

bool Host::callChosen(const Method& method, const void* receiver, const std::vector<Value>& args,
                      Outcome& out, std::string* text) {
  return rt_->callChosen(method, receiver, args, out, text);
}

Outcome Host::callGlobal(std::string_view name, const std::vector<Value>& args) {
  std::string error;
  const Method* method = chooseOverload(rt_->globals, "", name, args, &error);
  if (method == nullptr) return refused(error);
  return rt_->invoke(*method, nullptr, false, args);
}

DataView Host::instanceData(const Value& object) const {
  Object* o = Runtime::objectOf(object);
  if (o == nullptr || o->rt != rt_.get()) return {};
  return {reinterpret_cast<unsigned char*>(o) + kDataOffset, o->dataSize};
}

std::size_t Host::liveObjects() const {
  return rt_->objectCount;
}
std::size_t Host::liveStrings() const {
  return rt_->strings.size();
}

}  // namespace quorvex
