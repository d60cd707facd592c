#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Library.h"
#include "MachOImage.h"
#include "OneLine.h"

namespace quorvex::detail {
namespace {

// A fresh copy needs a name of its own: the loader hands back a library already loaded under the
// same name (or from the same file), and some libraries it never unloads. The file is removed as
// soon as it is mapped, so it outlives the load by no more than a moment.
std::string temporaryCopy(const std::string& path) {
  const char* folder = std::getenv("TMPDIR");
  std::string name =
      std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/qvx-plugin-XXXXXX";
  const int to = mkstemp(name.data());
  if (to < 0) return {};
  const int from = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  char buffer[1 << 16];
  ssize_t n = from < 0 ? -1 : 0;
  while (from >= 0 && (n = ::read(from, buffer, sizeof buffer)) > 0) {
    if (::write(to, buffer, static_cast<std::size_t>(n)) != n) n = -1;
    if (n < 0) break;
  }
  if (from >= 0) ::close(from);
  ::close(to);
  if (n == 0) return name;
  ::unlink(name.c_str());
  return {};
}

// dlerror() names the file it was given; the user should see the path they gave instead.
std::string loaderReason(const std::string& opened) {
  const char* reason = dlerror();
  std::string text = reason != nullptr ? reason : "unknown reason";
  if (text.rfind(opened + ": ", 0) == 0) text.erase(0, opened.size() + 2);
  return oneLine(text);
}

}  // namespace

bool Library::open(const std::string& path, bool fresh, std::string* error) {
  close();
  // Every Mach-O image is mapped afresh, so `fresh` holds without a copy.
  if (isMachO(path)) return openMachO(path, error);
  const std::string copy = fresh ? temporaryCopy(path) : std::string();
  if (fresh && copy.empty()) {
    if (error != nullptr) *error = "cannot load " + path + ": cannot make a private copy";
    return false;
  }
  // A name without a slash would send dlopen searching the system's library folders.
  const std::string opened = !copy.empty()                         ? copy
                             : path.find('/') == std::string::npos ? "./" + path
                                                                   : path;
  // RTLD_LOCAL: each plug-in keeps its symbols to itself; RTLD_NOW: a broken file fails here.
  handle_ = dlopen(opened.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr && error != nullptr) {
    *error = "cannot load " + path + ": " + loaderReason(opened);
  }
  if (!copy.empty()) ::unlink(copy.c_str());
  return handle_ != nullptr;
}

void* Library::symbol(const char* name) const {
  if (image_ != nullptr) return image_->symbol(name);
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

bool Library::isCode(const void* address) const {
  if (image_ != nullptr) return image_->isCode(address);
  Dl_info info{};
  void* entry = nullptr;
  if (dladdr1(address, &info, &entry, RTLD_DL_SYMENT) == 0 || entry == nullptr) {
    return false;
  }
  const unsigned type = ELF64_ST_TYPE(static_cast<const ElfW(Sym)*>(entry)->st_info);
  return type == STT_FUNC || type == STT_GNU_IFUNC;
}

void Library::close() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
  delete image_;
  image_ = nullptr;
}

std::string crashOf(const std::function<void()>& work) {
  // A damaged library may also loop for ever while it loads; this is far beyond a sound one.
  constexpr unsigned kSeconds = 20;
  const pid_t child = fork();
  if (child < 0) return {};  // no child to spare: the caller goes on unprotected
  if (child == 0) {
    // How the child ends is the answer, so no handler the caller set may end it otherwise.
    for (const int fatal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGALRM}) {
      std::signal(fatal, SIG_DFL);
    }
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDERR_FILENO);
    alarm(kSeconds);
    work();
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return {};
  }
  if (WIFSIGNALED(status)) {
    if (WTERMSIG(status) == SIGALRM)
      return "still not done after " + std::to_string(kSeconds) + " s";
    return strsignal(WTERMSIG(status));
  }
  if (WEXITSTATUS(status) != 0) return "exit status " + std::to_string(WEXITSTATUS(status));
  return {};
}

}  // namespace quorvex::detail
