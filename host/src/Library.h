// A loaded shared library, behind the smallest interface the host needs. One implementation per
// platform (LibraryPosix.cpp, LibraryWindows.cpp); nothing else in the host touches the OS
// loader. On POSIX a macOS dylib is mapped by the host's own loader instead (LibraryMachO.cpp).
#pragma once

#include <functional>
#include <string>

namespace quorvex::detail {

class MachOImage;

class Library {
 public:
  Library() = default;
  ~Library() { close(); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // False with a message naming the file and the loader's reason. `fresh`: a copy with static
  // state of its own, even when the same file is already loaded in this process.
  bool open(const std::string& path, bool fresh, std::string* error);
  // Null when the library has no such symbol.
  void* symbol(const char* name) const;
  // Whether `address`, found by symbol(), names a function rather than data.
  bool isCode(const void* address) const;
  void close();
  bool isOpen() const { return handle_ != nullptr || image_ != nullptr; }

 private:
  // True when the file starts like a Mach-O file, which the system loader here cannot load.
  static bool isMachO(const std::string& path);
  bool openMachO(const std::string& path, std::string* error);

  void* handle_ = nullptr;
  std::string copy_;  // a file made for a fresh copy, removed on close (where it must stay open)
  MachOImage* image_ = nullptr;
};

// Runs `work` where a crash cannot take this process with it (a child process, where there is
// one). Empty when it finished; otherwise how it ended ("Segmentation fault"). What `work`
// changes is lost: it proves that a step survives, it does not perform it.
std::string crashOf(const std::function<void()>& work);

}  // namespace quorvex::detail
