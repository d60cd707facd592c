// The host interface layer, as plug-in code sees it: the stored resolver, the entry point and every
// proxy, declared from the rows of GlueCode/proxies/catalogues.def; each proxy binds its host entry
// by name on first use (see PluginMain.cpp). The records handed to the host are in Records.h.
#ifndef QUORVEX_GLUECODE_PLUGINMAIN_H
#define QUORVEX_GLUECODE_PLUGINMAIN_H

#include <atomic>

#include "GlueCode/Records.h"
#include "GlueCode/Targets.h"

// Null until QORAPluginMain stores the host's resolver; never cleared. Atomic because a host may
// call proxies from several threads, and a host that runs the entry point again overwrites it.
extern std::atomic<QORAResolver> gResolver;

// The library entry point: stores the resolver, announces the plug-in version, calls PluginEntry.
extern "C" QORA_EXPORT void QORAPluginMain(QORAResolver resolver);

// Supplied by the class binding: registers the plug-in's classes and global functions.
void PluginEntry();

// Every proxy, declared from its row.
#define QORA_ROW(Ret, HostRet, Name, Cache, Entry, Fallback, Params, HostParams, Args, Miss) \
  Ret Name Params;
#define QORA_IRREGULAR(Ret, Name, Entry, Params, Miss) Ret Name Params;
#define QORA_FORWARD(Ret, Name, Params, Args, Target) Ret Name Params;
#include "GlueCode/proxies/catalogues.def"

#endif  // QUORVEX_GLUECODE_PLUGINMAIN_H
