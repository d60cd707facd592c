// The language's view of the stand-in host: classes, methods and globals as the plug-in registered
// them, and calls made through the host.
#pragma once

#include <quorvex/host.h>

#include "quorvex/lang/object_host.h"

namespace quorvex::runner {

class HostBinding final : public lang::ObjectHost {
 public:
  // The host's entry log is for tests of the plug-in; a program's run would grow it by every call
  // it makes, so the binding turns it off.
  explicit HostBinding(Host& host) : host_(host) { host_.setEntryLogging(false); }

  std::optional<std::string> findClass(std::string_view name) const override;
  bool isExceptionClass(std::string_view name) const override;
  bool hasGlobal(std::string_view name) const override;
  std::vector<std::string> classNames() const override;
  std::vector<std::string> globalNames() const override;
  std::vector<std::string> methodNames(std::string_view cls) const override;
  bool hasMethod(std::string_view cls, std::string_view name) const override;
  std::optional<std::string> methodResult(std::string_view cls,
                                          std::string_view name) const override;
  std::optional<std::string> globalResult(std::string_view name) const override;
  std::vector<lang::Signature> signatures(std::string_view cls,
                                          std::string_view name) const override;

  lang::CallResult construct(std::string_view cls, const std::vector<lang::Value>& args) override;
  lang::CallResult call(std::string_view cls, const lang::Value& receiver, std::string_view method,
                        const std::vector<lang::Value>& args) override;
  lang::SiteCall callAt(lang::CallSite& site, const lang::Value& receiver, std::string_view method,
                        const std::vector<lang::Value>& args, lang::Value& result,
                        lang::CallResult& other, std::string* text) override;
  lang::CallResult binary(lang::Op op, const lang::Value& lhs, const lang::Value& rhs) override;
  lang::SiteCall binaryAt(lang::CallSite& site, lang::Op op, const lang::Value& lhs,
                          const lang::Value& rhs, lang::Value& result,
                          lang::CallResult& other) override;
  lang::CallResult callGlobal(std::string_view name, const std::vector<lang::Value>& args) override;

 private:
  const std::vector<Method>* methodsOf(std::string_view cls) const;
  // Calls the method `name` of the receiver's class with the arguments in args_, choosing it
  // first when the site has none for arguments like these; empties args_. False when no call was
  // made (a receiver the host does not hold, no method that fits). A String result goes straight
  // to `text` when given, else to `result`; `how` says which (Stored, Done) or that it went to
  // `out` (NotTaken). Inline in both callers: every call from a site passes through it.
  [[gnu::always_inline]] bool callFromSite(lang::CallSite& site, const lang::ObjectRef& receiver,
                                           std::string_view name, Outcome& out, lang::Value& result,
                                           std::string* text, lang::SiteCall& how);
  // A call that went as most do (a result taken whole, nothing raised) leaves out_ as fresh as a
  // new Outcome; any other is made fresh again. Inline: every call from a site ends with it.
  void refresh() {
    if (!out_.ok() || !out_.value.isNil() || !out_.exception.isNil() || !out_.error.empty())
      out_ = Outcome();
  }
  Host& host_;
  // The arguments and the outcome of the call from a site being made, kept for reuse: no call
  // from a site begins while another is made, since only the plug-in runs during one.
  std::vector<Value> args_;
  Outcome out_;
};

}  // namespace quorvex::runner
