// A loaded shared library, behind the smallest interface the host needs. One implementation per
// platform (Library_posix.cpp, Library_windows.cpp); nothing else in the host touches the OS
// loader.
#pragma once

#include <string>

namespace quorvex::detail {

class Library {
 public:
  Library() = default;
  ~Library() { close(); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // False with a message naming the file and the loader's reason.
  bool open(const std::string& path, std::string* error);
  // Null when the library has no such symbol.
  void* symbol(const char* name) const;
  void close();
  bool isOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace quorvex::detail
