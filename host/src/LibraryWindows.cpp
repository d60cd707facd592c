#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "Library.h"
#include "OneLine.h"

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
  // Some system messages run over several lines.
  return "error " + std::to_string(code) + (reason.empty() ? "" : " (" + oneLine(reason) + ")");
}

// Windows keeps one copy of a DLL per file, so a fresh copy needs a file of its own. Some
// runtimes' random_device is deterministic, so the clock and an address vary the name as well.
std::string temporaryCopy(const std::string& path, const void* owner) {
  static unsigned counter = 0;
  std::random_device device;
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::uint64_t seed = device() ^ static_cast<std::uint64_t>(ticks) ^
                             static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(owner));
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) return {};
  const std::string base = std::filesystem::path(path).filename().string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name =
        "qvx-" + std::to_string(seed % 1000000007u) + "-" + std::to_string(++counter) + "-" + base;
    // copy_file refuses an existing destination, so a name in use is simply skipped
    if (std::filesystem::copy_file(path, dir / name, ec)) return (dir / name).string();
  }
  return {};
}

}  // namespace

bool Library::open(const std::string& path, bool fresh, std::string* error) {
  close();
  if (fresh) {
    copy_ = temporaryCopy(path, this);
    if (copy_.empty()) {
      if (error != nullptr) *error = "cannot load " + path + ": cannot make a private copy";
      return false;
    }
  }
  const std::string& opened = copy_.empty() ? path : copy_;
  // A file that cannot be loaded must fail here with a message, never with a system dialog.
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  // The plug-in's own folder comes first when its dependencies are looked up, as with dlopen.
  HMODULE module = LoadLibraryExW(fullPath(opened).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD code = GetLastError();
  SetThreadErrorMode(previousMode, nullptr);
  handle_ = reinterpret_cast<void*>(module);
  if (handle_ == nullptr && error != nullptr)
    *error = "cannot load " + path + ": " + describe(code);
  if (handle_ == nullptr) close();
  return handle_ != nullptr;
}

void* Library::symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool Library::isCode(const void* address) const {
  MEMORY_BASIC_INFORMATION region{};
  if (VirtualQuery(address, &region, sizeof region) == 0) return false;
  constexpr DWORD kExecutable =
      PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return (region.Protect & kExecutable) != 0;
}

void Library::close() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  if (!copy_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(copy_, ignored);
    copy_.clear();
  }
}

// No fork here: the load goes on unprotected.
std::string crashOf(const std::function<void()>&) {
  return {};
}

}  // namespace quorvex::detail
