// Plug-in file bytes as a user might hand them in. The checks made before the system loader opens
// a file answer for any bytes without reading past them, in one line, and accept nothing shorter
// than a whole ELF header of this process's class (or a Mach-O header, for the host's own loader).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "PluginFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem =
      quorvex::detail::pluginBytesProblem({reinterpret_cast<const char*>(data), size});
  if (problem.find('\n') != std::string::npos) std::abort();
#ifndef _WIN32
  constexpr std::size_t kHeader = sizeof(void*) == 8 ? 64 : 52;
  const bool elf = size >= kHeader && std::memcmp(data,
                                                  "\x7f"
                                                  "ELF",
                                                  4) == 0;
  // A 64-bit Mach-O file goes to the host's own loader, which reads it whole.
  const bool macho = size >= 32 && std::memcmp(data, "\xcf\xfa\xed\xfe", 4) == 0;
  if (problem.empty() && !elf && !macho) std::abort();
#endif
  return 0;
}
