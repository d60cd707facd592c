// The runner's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvex::runner {

struct Options {
  std::string plugin;        // empty: look in the usual places
  std::string program;       // empty: standard input; "-" likewise
  bool interactive = false;  // statements one entry at a time, even from a pipe
  bool help = false;
};

// Nullopt with `error` set when the command line cannot be read.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string* error);

extern const char* const kUsage;

// Where to load the plug-in from: the option, $QUORVEX_PLUGIN, next to the runner, then where the
// build put it. The first that exists wins; with none, the option's or the first candidate.
std::string choosePlugin(const Options& options, const char* argv0);

}  // namespace quorvex::runner
