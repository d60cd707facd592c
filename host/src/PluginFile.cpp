#include "PluginFile.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include "ElfCheck.h"
#include "MachOImage.h"
#endif

namespace quorvex::detail {
namespace {

// The formats are told apart by their first bytes; one foreign to this system is named, so that
// a user who picked the wrong build's file learns which file it was.
enum class Format { Elf, Pe, MachO, Other };

// A plug-in is a few hundred KiB; a file far larger is not one, and is not read into memory.
constexpr std::uintmax_t kMaxPluginBytes = std::uintmax_t{256} << 20;

Format formatOf(std::string_view bytes) {
  auto startsWith = [&](const char* magic, std::size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
  };
  if (startsWith("\x7f"
                 "ELF",
                 4))
    return Format::Elf;
  if (startsWith("MZ", 2)) return Format::Pe;
  if (startsWith("\xcf\xfa\xed\xfe", 4) || startsWith("\xce\xfa\xed\xfe", 4) ||
      startsWith("\xca\xfe\xba\xbe", 4)) {
    return Format::MachO;
  }
  return Format::Other;
}

}  // namespace

std::string pluginBytesProblem(std::string_view bytes) {
  if (bytes.empty()) return "the file is empty";
  switch (formatOf(bytes)) {
    case Format::Elf:
#ifdef _WIN32
      return "an ELF library (Linux), which this system cannot load";
#else
      return elfProblem(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
#endif
    case Format::Pe:
#ifdef _WIN32
      return {};
#else
      return "a Windows DLL, which this system cannot load";
#endif
    case Format::MachO:
#ifdef _WIN32
      return "a macOS library (Mach-O), which this system cannot load";
#else
      // The host maps a macOS x86-64 dylib itself (Library's Mach-O path).
      return MachOImage::problem(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
#endif
    case Format::Other:
      break;
  }
  return "not a library (no known library header)";
}

std::string readPluginFile(const std::string& path, std::string* bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return "no such file";
  if (status.type() == fs::file_type::directory) return "it is a folder, not a file";
  if (ec || status.type() != fs::file_type::regular) return "not a regular file";
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return "the file cannot be read";
  if (size > kMaxPluginBytes) return "larger than any plug-in (over 256 MiB)";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "the file cannot be read";
  bytes->resize(static_cast<std::size_t>(size));
  in.read(bytes->data(), static_cast<std::streamsize>(size));
  if (in.gcount() != static_cast<std::streamsize>(size)) return "the file cannot be read";
  return {};
}

std::string pluginFileProblem(const std::string& path) {
  std::string bytes;
  const std::string problem = readPluginFile(path, &bytes);
  return problem.empty() ? pluginBytesProblem(bytes) : problem;
}

}  // namespace quorvex::detail
