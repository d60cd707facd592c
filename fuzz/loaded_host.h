// The one host a harness drives, loaded once before the first input: the plug-in named by
// QUORVEX_PLUGIN, else the one built beside the harness. A harness without its plug-in has
// nothing to test, so it stops at once.
#ifndef QUORVEX_FUZZ_LOADED_HOST_H
#define QUORVEX_FUZZ_LOADED_HOST_H

#include <quorvex/host.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline quorvex::Host* loadedHost(const char* harness) {
  const char* path = std::getenv("QUORVEX_PLUGIN");
  static quorvex::Host theHost;
  std::string error;
  if (!theHost.load(path != nullptr ? path : QUORVEX_PLUGIN_PATH, &error)) {
    std::fprintf(stderr, "%s: cannot load the plug-in: %s\n", harness, error.c_str());
    std::exit(2);
  }
  theHost.setEntryLogging(false);
  return &theHost;
}

#endif
