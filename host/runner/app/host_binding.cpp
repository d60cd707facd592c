#include "host_binding.h"

#include <algorithm>

#include "quorvex/lang/operators.h"

namespace quorvex::runner {

namespace {

using lang::sameName;

bool declares(const Method& m, std::string_view name) {
  return m.valid && sameName(m.parsed.name, name);
}

bool callableByName(const Method& m) {
  const std::string& n = m.parsed.name;
  return m.valid && !sameName(n, "Constructor") && !sameName(n.substr(0, 9), "Operator_");
}

std::optional<std::string> agreedResult(const std::vector<Method>& methods, std::string_view name) {
  std::optional<std::string> result;
  for (const auto& m : methods) {
    if (!declares(m, name)) continue;
    if (result && !sameName(*result, m.parsed.result)) return std::nullopt;
    result = m.parsed.result;
  }
  return result;
}

struct ToHost {
  Value operator()(lang::Nil) const { return Value::nil(); }
  Value operator()(std::int64_t i) const { return Value::integer(i); }
  Value operator()(double d) const { return Value::real(d); }
  Value operator()(const std::string& s) const { return Value::string(s); }
  Value operator()(bool b) const { return Value::boolean(b); }
  Value operator()(const lang::ObjectRef& o) const {
    if (o.handle() == nullptr) return Value::nil();
    Value::retain(o.handle());
    return Value::adopt(o.handle());
  }
  // The checker lets no array reach the host; should one, the host sees Nil.
  Value operator()(const lang::ArrayRef&) const { return Value::nil(); }
};

Value toHost(const lang::Value& v) {
  return std::visit(ToHost{}, v);
}

// The language counts references to host objects through the host's own counts.
constexpr lang::ObjectCounting kHostCounting{&Value::retain, &Value::release};

std::vector<Value> toHost(const std::vector<lang::Value>& args) {
  std::vector<Value> out;
  out.reserve(args.size());
  for (const auto& a : args) out.push_back(toHost(a));
  return out;
}

// Puts a host value where the language keeps it, building it there: a loop makes one each time
// round, and every move of an object's value is a move of its class name too.
void fromHost(Value&& v, lang::Value& into) {
  switch (v.type()) {
    case Type::Integer:
      into = v.asInteger();
      v.detach();  // Nil again, as a fresh Outcome's value is
      return;
    case Type::Double:
      into = v.asDouble();
      v.detach();
      return;
    case Type::String:
      into.emplace<std::string>(v.takeString());
      return;
    case Type::Boolean:
      into = v.asBoolean();
      v.detach();
      return;
    case Type::Object: {
      const std::string& cls = v.className();
      into.emplace<lang::ObjectRef>(v.detach(), &kHostCounting, cls);
      return;
    }
    case Type::Nil:
      break;
  }
  into = lang::Nil{};
}

lang::CallResult fromOutcome(Outcome&& o) {
  lang::CallResult r;
  if (o.raised()) {
    r.kind = lang::CallResult::Kind::Raised;
    fromHost(std::move(o.exception), r.exception);
    // Only an object has a class; anything else raised is a plain Exception.
    if (!std::holds_alternative<lang::ObjectRef>(r.exception)) {
      r.exception = lang::ObjectRef{nullptr, "Exception"};
    }
  } else if (o.failed()) {
    r.kind = lang::CallResult::Kind::Failed;
    r.error = std::move(o.error);
  } else {
    fromHost(std::move(o.value), r.value);
  }
  return r;
}

// A site keeps its choice for arguments it can tell apart the next time: by kind, and an object
// by its class. A Nil fits a parameter of any class, so it may pick another overload each time.
bool siteArgument(const lang::Value& arg) {
  if (const auto* o = std::get_if<lang::ObjectRef>(&arg)) return o->handle() != nullptr;
  return !std::holds_alternative<lang::Nil>(arg) && !std::holds_alternative<lang::ArrayRef>(arg);
}

bool siteArguments(const std::vector<lang::Value>& args) {
  return args.size() <= lang::CallSite::kMaxArgs &&
         std::all_of(args.begin(), args.end(), siteArgument);
}

// The class of an object argument as the host keeps it (its name, which lives as long as the
// class), else null: what tells two arguments of one kind apart for a choice of overload.
const void* classOf(const Value& arg) {
  return arg.isObject() ? &arg.className() : nullptr;
}

bool chosenFor(const lang::CallSite& site, const std::vector<Value>& args) {
  if (site.method == nullptr || site.count != args.size()) return false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (site.kinds[i] != static_cast<std::size_t>(args[i].type()) ||
        site.classes[i] != classOf(args[i])) {
      return false;
    }
  }
  return true;
}

void remember(lang::CallSite& site, const Method* chosen, const std::vector<Value>& args) {
  site.method = chosen;
  site.count = args.size();
  for (std::size_t i = 0; i < args.size(); ++i) {
    site.kinds[i] = static_cast<std::size_t>(args[i].type());
    site.classes[i] = classOf(args[i]);
  }
}

}  // namespace

const std::vector<Method>* HostBinding::methodsOf(std::string_view cls) const {
  const ClassInfo* info = host_.findClass(cls);
  return info && info->registered ? &info->methods : nullptr;
}

std::optional<std::string> HostBinding::findClass(std::string_view name) const {
  const ClassInfo* info = host_.findClass(name);
  if (!info || !info->registered) return std::nullopt;
  return info->name;
}

bool HostBinding::isExceptionClass(std::string_view name) const {
  return host_.isExceptionClass(name);
}

bool HostBinding::hasGlobal(std::string_view name) const {
  const auto& g = host_.globals();
  return std::any_of(g.begin(), g.end(), [&](const Method& m) { return declares(m, name); });
}

std::vector<std::string> HostBinding::classNames() const {
  return host_.classNames();
}

std::vector<std::string> HostBinding::globalNames() const {
  std::vector<std::string> out;
  for (const auto& m : host_.globals()) {
    if (m.valid && std::find(out.begin(), out.end(), m.parsed.name) == out.end()) {
      out.push_back(m.parsed.name);
    }
  }
  return out;
}

std::vector<std::string> HostBinding::methodNames(std::string_view cls) const {
  std::vector<std::string> out;
  if (const auto* methods = methodsOf(cls)) {
    for (const auto& m : *methods) {
      if (callableByName(m) && std::find(out.begin(), out.end(), m.parsed.name) == out.end()) {
        out.push_back(m.parsed.name);
      }
    }
  }
  return out;
}

bool HostBinding::hasMethod(std::string_view cls, std::string_view name) const {
  const auto* methods = methodsOf(cls);
  return methods && std::any_of(methods->begin(), methods->end(),
                                [&](const Method& m) { return declares(m, name); });
}

std::optional<std::string> HostBinding::methodResult(std::string_view cls,
                                                     std::string_view name) const {
  const auto* methods = methodsOf(cls);
  return methods ? agreedResult(*methods, name) : std::nullopt;
}

std::optional<std::string> HostBinding::globalResult(std::string_view name) const {
  return agreedResult(host_.globals(), name);
}

std::vector<lang::Signature> HostBinding::signatures(std::string_view cls,
                                                     std::string_view name) const {
  std::vector<lang::Signature> out;
  const auto* methods = cls.empty() ? &host_.globals() : methodsOf(cls);
  if (!methods) return out;
  for (const auto& m : *methods) {
    if (!declares(m, name)) continue;
    lang::Signature sig;
    sig.text = m.declaration;
    for (const auto& p : m.parsed.params) sig.params.push_back(p.type);
    out.push_back(std::move(sig));
  }
  return out;
}

lang::CallResult HostBinding::construct(std::string_view cls,
                                        const std::vector<lang::Value>& args) {
  return fromOutcome(host_.construct(cls, toHost(args)));
}

lang::CallResult HostBinding::call(std::string_view cls, const lang::Value& receiver,
                                   std::string_view method, const std::vector<lang::Value>& args) {
  return fromOutcome(host_.callAs(cls, toHost(receiver), method, toHost(args)));
}

namespace {

// Where a String result of `method` goes straight from the host, and how the call then answers:
// `text` when the caller gave one, else the string `result` holds (whose room it reuses) or a new
// one there. Null for any other result.
std::string* textFor(const Method& method, lang::Value& result, std::string* text,
                     lang::SiteCall& how) {
  if (method.result != Passing::String) {
    how = lang::SiteCall::NotTaken;
    return nullptr;
  }
  if (text != nullptr) {
    how = lang::SiteCall::Stored;
    return text;
  }
  how = lang::SiteCall::Done;
  if (auto* held = std::get_if<std::string>(&result)) return held;
  return &result.emplace<std::string>();
}

// What a call from a site gave, where the language wants it: the result (already in place when
// `how` says so), or what it raised or why it failed.
lang::SiteCall deliver(Outcome&& out, lang::SiteCall how, lang::Value& result,
                       lang::CallResult& other) {
  if (out.ok()) {
    if (how != lang::SiteCall::NotTaken) return how;
    fromHost(std::move(out.value), result);
    return lang::SiteCall::Done;
  }
  other = fromOutcome(std::move(out));
  return lang::SiteCall::Other;
}

}  // namespace

inline bool HostBinding::callFromSite(lang::CallSite& site, const lang::ObjectRef& receiver,
                                      std::string_view name, Outcome& out, lang::Value& result,
                                      std::string* text, lang::SiteCall& how) {
  // The receiver is held by the language's value for the whole call.
  const void* self = receiver.handle();
  auto call = [&](const Method& method) {
    return host_.callChosen(method, self, args_, out, textFor(method, result, text, how));
  };
  bool made =
      self != nullptr && chosenFor(site, args_) && call(*static_cast<const Method*>(site.method));
  if (!made && self != nullptr) {
    const Method* chosen = host_.choose(receiver.className, name, args_);
    made = chosen != nullptr && call(*chosen);
    if (made) remember(site, chosen, args_);
  }
  args_.clear();
  if (!made) site.method = nullptr;
  return made;
}

lang::SiteCall HostBinding::callAt(lang::CallSite& site, const lang::Value& receiver,
                                   std::string_view method, const std::vector<lang::Value>& args,
                                   lang::Value& result, lang::CallResult& other,
                                   std::string* text) {
  const auto* object = std::get_if<lang::ObjectRef>(&receiver);
  if (object == nullptr || !siteArguments(args)) return lang::SiteCall::NotTaken;
  for (const lang::Value& a : args) args_.push_back(toHost(a));
  lang::SiteCall how = lang::SiteCall::NotTaken;
  if (!callFromSite(site, *object, method, out_, result, text, how))
    return lang::SiteCall::NotTaken;  // call() says why
  how = deliver(std::move(out_), how, result, other);
  refresh();
  return how;
}

lang::CallResult HostBinding::binary(lang::Op op, const lang::Value& lhs, const lang::Value& rhs) {
  auto hop = lang::hostOperator(op);
  if (!hop) {
    lang::CallResult r;
    r.kind = lang::CallResult::Kind::Failed;
    r.error = std::string("'") + lang::opText(op) + "' cannot be applied to objects";
    return r;
  }
  return fromOutcome(host_.binary(*hop, toHost(lhs), toHost(rhs)));
}

// An object on the left with an operator method for the right operand; anything else (an object
// only on the right, Nil, no such method) takes binary(), which knows every rule.
lang::SiteCall HostBinding::binaryAt(lang::CallSite& site, lang::Op op, const lang::Value& lhs,
                                     const lang::Value& rhs, lang::Value& result,
                                     lang::CallResult& other) {
  const auto* object = std::get_if<lang::ObjectRef>(&lhs);
  const std::optional<Op> hop = lang::hostOperator(op);
  if (object == nullptr || !hop || !siteArgument(rhs)) return lang::SiteCall::NotTaken;
  args_.push_back(toHost(rhs));
  lang::SiteCall how = lang::SiteCall::NotTaken;
  if (!callFromSite(site, *object, operatorMethod(*hop), out_, result, nullptr, how))
    return lang::SiteCall::NotTaken;
  if (out_.ok() && isComparison(*hop))
    out_.value = Value::boolean(comparisonHolds(*hop, out_.value.asInteger()));
  how = deliver(std::move(out_), how, result, other);
  refresh();
  return how;
}

lang::CallResult HostBinding::callGlobal(std::string_view name,
                                         const std::vector<lang::Value>& args) {
  return fromOutcome(host_.callGlobal(name, toHost(args)));
}

}  // namespace quorvex::runner
