// The checks a plug-in file passes before the system loader sees it: it exists, is a file, can
// be read, and is a library of this system's format whose structure holds together.
#pragma once

#include <string>
#include <string_view>

namespace quorvex::detail {

// Empty when `path` may be handed to the loader; otherwise what is wrong with it ("it is a
// folder", "a Windows DLL, which this system cannot load", ...), for a message naming the path.
std::string pluginFileProblem(const std::string& path);

// Reads a plug-in file whole into `bytes`. Empty when it was read; otherwise what is wrong with
// it, as for pluginFileProblem().
std::string readPluginFile(const std::string& path, std::string* bytes);

// The same, for a file's bytes as they were read.
std::string pluginBytesProblem(std::string_view bytes);

}  // namespace quorvex::detail
