// A 64-bit x86-64 Mach-O dylib mapped into this process and linked against the C library, so
// that the macOS build of a plug-in runs on Linux x86-64: both use the System V AMD64 calling
// convention and the LP64 data model. Only what a self-contained plug-in needs is supported;
// everything else is refused with a one-line reason before any of the file's code runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quorvex::detail {

class MachOImage {
 public:
  struct Options {
    // Off only for callers that map untrusted bytes to exercise the reader (the fuzzer): an
    // initializer is the file's own code.
    bool runInitializers = true;
  };

  // True when the bytes begin like any Mach-O file (thin or universal, either width or byte
  // order): such a file is this loader's to accept or to refuse with a reason of its own.
  static bool recognises(const std::uint8_t* head, std::size_t size);

  // Null, with the reason in *reason, when the bytes are not a dylib this loader can run.
  static std::unique_ptr<MachOImage> load(const std::uint8_t* data, std::size_t size,
                                          const Options& options, std::string* reason);

  ~MachOImage();
  MachOImage(const MachOImage&) = delete;
  MachOImage& operator=(const MachOImage&) = delete;

  // Empty when load() would map the bytes (unless memory runs out or a mapping is refused);
  // otherwise its reason. Reads only: nothing is mapped and none of the file's code runs.
  static std::string problem(const std::uint8_t* data, std::size_t size);

  // Whether the address lies in one of the image's executable segments.
  bool isCode(const void* address) const;
  // A C name without the leading underscore that Mach-O symbol names carry; null if not exported.
  void* symbol(const char* name) const;
  // Where an address of the file's own address space lies in this process.
  std::uintptr_t address(std::uint64_t vmAddr) const { return vmAddr + slide_; }
  // What was added to every rebased pointer.
  std::uint64_t slide() const { return slide_; }
  // Every export: Mach-O name (with the underscore) -> address.
  const std::unordered_map<std::string, std::uintptr_t>& exports() const { return exports_; }

 private:
  MachOImage() = default;

  unsigned char* region_ = nullptr;
  std::size_t span_ = 0;
  std::uint64_t slide_ = 0;
  std::unordered_map<std::string, std::uintptr_t> exports_;  // Mach-O names, with the underscore
  std::vector<std::uintptr_t> terminators_;
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> code_;  // [start, end) of each

  friend struct MachOLoader;
};

}  // namespace quorvex::detail
