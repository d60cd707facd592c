// Test support: a private copy of the built plug-in (fresh globals and binding caches every time)
// and a stand-in resolver that answers from a name->address table and logs every name asked.
#ifndef QUORVEX_TESTS_GLUE_PLUGINCOPY_H
#define QUORVEX_TESTS_GLUE_PLUGINCOPY_H

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <dlfcn.h>
#include <unistd.h>

#include "Library.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "GlueCode/PluginMain.h"

namespace glue {

// What the plug-in may ask: entries a test registered; everything else is a miss.
struct StandIn {
  std::map<std::string, void*> entries;
  std::vector<std::string> asked;

  static StandIn& current() {
    static StandIn standIn;
    return standIn;
  }
  static void* resolve(const char* name) {
    StandIn& self = current();
    self.asked.emplace_back(name);
    auto found = self.entries.find(name);
    return found == self.entries.end() ? nullptr : found->second;
  }
  template <class F>
  void answer(const std::string& name, F* function) {
    entries[name] = reinterpret_cast<void*>(function);
  }
  void reset() {
    entries.clear();
    asked.clear();
  }
};

#if defined(_WIN32)
}  // namespace glue
#include "PluginCopyWindows.h"
namespace glue {
#else
// The test executable links the plug-in only to learn each symbol's exported name (through
// dladdr); every call goes into a private copy, so no cache survives from one copy to the next.
// The copy is loaded as the host loads a plug-in, so it may also be another build of the same
// sources (the macOS dylib) with the same names.
class PluginCopy {
 public:
  PluginCopy() {
    char path[] = "/tmp/quorvex-glue-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return;
    close(fd);
    {
      std::ifstream in(QUORVEX_PLUGIN_PATH, std::ios::binary);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << in.rdbuf();
    }
    library_.open(path, &error_);
    std::remove(path);
  }
  PluginCopy(const PluginCopy&) = delete;
  PluginCopy& operator=(const PluginCopy&) = delete;

  bool ok() const { return library_.isOpen(); }
  const std::string& error() const { return error_; }

  // The copy's own definition of the function or global that `linked` names.
  template <class T>
  T* get(T* linked) const {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(linked), &info) == 0 || info.dli_sname == nullptr) {
      return nullptr;
    }
    return reinterpret_cast<T*>(library_.symbol(info.dli_sname));
  }
  void* symbol(const char* name) const { return library_.symbol(name); }

  // Stores the stand-in resolver directly, as the entry point would, without registering anything.
  void attachResolver() const {
    *static_cast<QORAResolver*>(symbol("gResolver")) = &StandIn::resolve;
  }

 private:
  quorvex::detail::Library library_;
  std::string error_;
};
#endif

}  // namespace glue

#endif  // QUORVEX_TESTS_GLUE_PLUGINCOPY_H
