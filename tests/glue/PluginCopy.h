// Test support: a private copy of the built plug-in (fresh globals and binding caches every time),
// answered by the recording host the proxies' own tests use.
#ifndef QUORVEX_TESTS_GLUE_PLUGINCOPY_H
#define QUORVEX_TESTS_GLUE_PLUGINCOPY_H

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <cxxabi.h>
#include <dlfcn.h>
#include <unistd.h>

#include <iterator>

#include "Library.h"
#include "MachOImage.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GlueCode/PluginMain.h"
#include "RecordingHost.h"

namespace glue {

using proxytest::Host;

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
    library_.open(path, false, &error_);  // already a private copy
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
    void* own = library_.symbol(info.dli_sname);
    if (own == nullptr) own = library_.symbol(dylibName(info.dli_sname).c_str());
    return reinterpret_cast<T*>(own);
  }
  void* symbol(const char* name) const { return library_.symbol(name); }

  // Stores the recording host's resolver directly, as the entry point would, without registering
  // anything.
  void attachResolver() const {
    static_cast<std::atomic<QORAResolver>*>(symbol("gResolver"))->store(&Host::resolve);
  }

 private:
  static std::string declaration(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string out = status == 0 ? text.get() : mangled;
    for (std::size_t at; (at = out.find("long long")) != std::string::npos;) out.erase(at, 5);
    return out;
  }

  // The macOS dylib names a few functions differently: std::int64_t is `long long` there and
  // `long` here, mangled `x`/`y` instead of `l`/`m`. Both have one size and one calling
  // convention, so the dylib's own definition is its export that declares the same function once
  // `long long` reads as `long`. (A Linux build's copy always has the linked name itself.)
  static std::string dylibName(const char* linuxName) {
    static const std::map<std::string, std::string> byDeclaration = [] {
      std::map<std::string, std::string> names;
      std::ifstream in(QUORVEX_PLUGIN_PATH, std::ios::binary);
      const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      quorvex::detail::MachOImage::Options options;
      options.runInitializers = false;
      const auto image =
          quorvex::detail::MachOImage::load(bytes.data(), bytes.size(), options, nullptr);
      if (image == nullptr) return names;
      for (const auto& entry : image->exports()) {
        const std::string name = entry.first.substr(1);
        names.emplace(declaration(name.c_str()), name);
      }
      return names;
    }();
    const auto found = byDeclaration.find(declaration(linuxName));
    return found == byDeclaration.end() ? linuxName : found->second;
  }

  quorvex::detail::Library library_;
  std::string error_;
};
#endif

}  // namespace glue

#endif  // QUORVEX_TESTS_GLUE_PLUGINCOPY_H
