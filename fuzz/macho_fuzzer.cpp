// The Mach-O loader's reading of a file: any bytes must either load or be refused with a reason,
// never crash, hang or leak. The file's code is never run (no initializers, no entry point); a
// loaded image is looked up and unloaded, which unmaps it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "MachOImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using quorvex::detail::MachOImage;
  MachOImage::Options options;
  options.runInitializers = false;
  std::string reason;
  const auto image = MachOImage::load(data, size, options, &reason);
  if (image == nullptr && reason.empty()) {
    std::fputs("refused without a reason\n", stderr);
    std::abort();
  }
  if (image != nullptr && !reason.empty()) {
    std::fprintf(stderr, "loaded, yet with a reason: %s\n", reason.c_str());
    std::abort();
  }
  if (image != nullptr) (void)image->symbol("QORAPluginMain");
  return 0;
}
