// Test support on Windows: a private copy of the plug-in's layer, loaded with LoadLibrary.
//
// The plug-in DLL exports its entry point alone, so the copies are of a test build of the same
// objects that exports every symbol (glue_plugin_copy.dll). The test executable carries the same
// objects and exports its symbols too: a function's address in the executable gives its exported
// name, and the copy's export of that name is the copy's own definition.
#ifndef QUORVEX_TESTS_GLUE_PLUGINCOPYWINDOWS_H
#define QUORVEX_TESTS_GLUE_PLUGINCOPYWINDOWS_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <map>
#include <string>

#include "GlueCode/PluginMain.h"

namespace glue {

class PluginCopy {
 public:
  PluginCopy() {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"qvg", 0, path) == 0) {
      error_ = "no temporary file: error " + std::to_string(GetLastError());
      return;
    }
    path_ = path;
    if (!CopyFileW(windowsPath(QUORVEX_PLUGIN_PATH).c_str(), path, FALSE)) {
      error_ = "cannot copy " QUORVEX_PLUGIN_PATH ": error " + std::to_string(GetLastError());
      return;
    }
    module_ = LoadLibraryW(path);
    if (module_ == nullptr)
      error_ = "cannot load the copy: error " + std::to_string(GetLastError());
  }
  ~PluginCopy() {
    if (module_ != nullptr) FreeLibrary(module_);
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  PluginCopy(const PluginCopy&) = delete;
  PluginCopy& operator=(const PluginCopy&) = delete;

  bool ok() const { return module_ != nullptr; }
  const std::string& error() const { return error_; }

  // The copy's own definition of the function or global that `linked` names.
  template <class T>
  T* get(T* linked) const {
    const auto& names = ownExports();
    const auto found = names.find(reinterpret_cast<const void*>(linked));
    if (found == names.end()) return nullptr;
    return reinterpret_cast<T*>(symbol(found->second.c_str()));
  }
  void* symbol(const char* name) const {
    return module_ != nullptr ? reinterpret_cast<void*>(GetProcAddress(module_, name)) : nullptr;
  }

  // Stores the recording host's resolver directly, as the entry point would, without registering
  // anything.
  void attachResolver() const {
    static_cast<std::atomic<QORAResolver>*>(symbol("gResolver"))->store(&Host::resolve);
  }

 private:
  static std::wstring windowsPath(const char* path) {
    std::wstring wide;
    for (const char* c = path; *c != '\0'; ++c)
      wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
  }

  // Address -> exported name, read from this executable's own export table.
  static const std::map<const void*, std::string>& ownExports() {
    static const std::map<const void*, std::string> table = [] {
      std::map<const void*, std::string> names;
      const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
      const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
      const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
      const IMAGE_DATA_DIRECTORY& directory =
          nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
      if (directory.Size == 0) return names;
      const auto* exports =
          reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
      const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
      const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
      const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
      for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        names.emplace(base + functions[ordinals[i]],
                      reinterpret_cast<const char*>(base + nameRvas[i]));
      }
      return names;
    }();
    return table;
  }

  HMODULE module_ = nullptr;
  std::wstring path_;
  std::string error_;
};

}  // namespace glue

#endif  // QUORVEX_TESTS_GLUE_PLUGINCOPYWINDOWS_H
