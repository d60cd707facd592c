#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "Library.h"

namespace quorvex::detail {
namespace {

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (wide <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &out[0], wide);
  return out;
}

// Callers (tests, the runner) hand in paths written the POSIX way; LoadLibrary wants backslashes,
// and a fully qualified name so that LOAD_WITH_ALTERED_SEARCH_PATH is well defined.
std::wstring fullPath(const std::string& path) {
  std::wstring wide = widen(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
  if (written == 0 || written >= needed) return wide;
  full.resize(written);
  return full;
}

std::string describe(DWORD code) {
  char* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length =
      FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string reason = length > 0 ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
    reason.pop_back();
  return "error " + std::to_string(code) + (reason.empty() ? "" : " (" + reason + ")");
}

}  // namespace

bool Library::open(const std::string& path, std::string* error) {
  close();
  // A file that cannot be loaded must fail here with a message, never with a system dialog.
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  // The plug-in's own folder comes first when its dependencies are looked up, as with dlopen.
  HMODULE module = LoadLibraryExW(fullPath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD code = GetLastError();
  SetThreadErrorMode(previousMode, nullptr);
  handle_ = reinterpret_cast<void*>(module);
  if (handle_ == nullptr && error != nullptr)
    *error = "cannot load " + path + ": " + describe(code);
  return handle_ != nullptr;
}

void* Library::symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void Library::close() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

}  // namespace quorvex::detail
