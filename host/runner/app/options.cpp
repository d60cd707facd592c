#include "options.h"

#include <cstdlib>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quorvex::runner {

const char* const kUsage =
    "usage: quorvex [--plugin PATH] [-i] [PROGRAM]\n"
    "Runs a host-language program with the plug-in loaded into the stand-in host.\n"
    "  PROGRAM        a program file; without one (or with -), statements are read from standard\n"
    "                 input: interactively from a terminal, as one program from a pipe\n"
    "  -i             read standard input one entry at a time, even from a pipe\n"
    "  --plugin PATH  the plug-in library (default: $QUORVEX_PLUGIN, else next to the runner)\n"
    "Exit status: 0 done, 1 the program failed (syntax, type or runtime error, uncaught\n"
    "exception), 2 nothing was run (bad command line, unreadable program, plug-in not loaded)\n"
    "or the plug-in crashed, 130 stopped by Ctrl-C.\n";

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string* error) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--plugin" || a == "-p") {
      if (i + 1 >= args.size()) {
        *error = a + " needs a path";
        return std::nullopt;
      }
      o.plugin = args[++i];
    } else if (a.rfind("--plugin=", 0) == 0) {
      o.plugin = a.substr(9);
    } else if (a == "-i" || a == "--interactive") {
      o.interactive = true;
    } else if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a.size() > 1 && a[0] == '-') {
      *error = "unknown option " + a;
      return std::nullopt;
    } else if (!o.program.empty()) {
      *error = "only one program at a time (" + o.program + ", then " + a + ")";
      return std::nullopt;
    } else {
      o.program = a;
    }
  }
  if (o.program == "-") o.program.clear();
  return o;
}

namespace {

bool exists(const std::string& path) {
  return !path.empty() && std::ifstream(path).good();
}

#ifdef QUORVEX_PLUGIN_FILE_NAME
std::string runnerPath(const char* argv0) {
#ifdef _WIN32
  char buf[4096];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  if (n > 0 && n < sizeof buf) return std::string(buf, n);
#else
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
  if (n > 0 && static_cast<std::size_t>(n) < sizeof buf)
    return std::string(buf, static_cast<std::size_t>(n));
#endif
  return argv0 ? argv0 : "";
}

std::string directoryOf(const std::string& path) {
  auto cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

#endif

}  // namespace

std::string choosePlugin(const Options& options, [[maybe_unused]] const char* argv0) {
  if (!options.plugin.empty()) return options.plugin;
  std::vector<std::string> candidates;
  if (const char* env = std::getenv("QUORVEX_PLUGIN"); env && *env) return env;
#ifdef QUORVEX_PLUGIN_FILE_NAME
  candidates.push_back(directoryOf(runnerPath(argv0)) + "/" + QUORVEX_PLUGIN_FILE_NAME);
#endif
#ifdef QUORVEX_BUILT_PLUGIN
  candidates.push_back(QUORVEX_BUILT_PLUGIN);
#endif
  for (const auto& c : candidates) {
    if (exists(c)) return c;
  }
  return candidates.empty() ? std::string("quorvex plug-in") : candidates.front();
}

}  // namespace quorvex::runner
