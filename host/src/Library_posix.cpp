#include <dlfcn.h>

#include "Library.h"

namespace quorvex::detail {

bool Library::open(const std::string& path, std::string* error) {
  close();
  // RTLD_LOCAL: each plug-in keeps its symbols to itself; RTLD_NOW: a broken file fails here.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr && error != nullptr) {
    const char* reason = dlerror();
    *error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown reason");
  }
  return handle_ != nullptr;
}

void* Library::symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void Library::close() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace quorvex::detail
