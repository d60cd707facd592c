// What a dylib's load commands say, checked against the file before anything is mapped, and the
// linking steps that work from it (one file each: fixups, exports, imports).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "MachOFormat.h"

namespace quorvex::detail::macho {

struct SegmentInfo {
  std::string name;
  std::uint64_t vmAddr, vmSize, fileOff, fileSize;
  std::uint32_t initProt;
};

struct SectionInfo {
  std::string name;
  std::uint32_t type;
  std::uint64_t addr, size, fileOffset;
};

// A byte range of the file, already checked to lie inside it.
struct FileRange {
  std::uint64_t offset = 0, size = 0;
};

struct Layout {
  std::vector<SegmentInfo> segments;  // in file order: fixups name segments by this index
  std::vector<SectionInfo> sections;
  std::vector<std::string> dylibs;  // the libraries loaded, by ordinal - 1
  FileRange rebase, bind, weakBind, lazyBind, exports, symbols, strings;
  std::uint64_t lowest = 0;    // the lowest segment address
  std::uint64_t span = 0;      // from the lowest to the end of the highest page
  std::uint64_t headerVm = 0;  // where the segment holding the header puts it
};

constexpr std::uint64_t kPage = 4096;
// The plug-in maps to about 100 KiB; a bound far above it leaves room for growth while a hostile
// file can neither reserve gigabytes nor keep a fixup stream busy for long.
constexpr std::uint64_t kMaxSpan = std::uint64_t{64} << 20;

bool readLayout(const std::uint8_t* data, std::size_t size, Layout* layout, std::string* reason);

// Finds what a bind names: ordinal > 0 is a loaded library, 0 this image, negative the special
// lookups. Null with a reason when the import is not to be had; a weak import may be null.
struct Resolution {
  bool ok;
  std::uint64_t address;
};
using Resolver = Resolution (*)(const void* context, std::int64_t ordinal, const std::string& name,
                                bool weakImport, std::string* reason);

enum class BindStream { eager, weak, lazy };

bool applyRebases(const Layout& layout, Bytes stream, std::uint64_t slide, std::string* reason);
bool applyBinds(const Layout& layout, Bytes stream, BindStream kind, std::uint64_t slide,
                Resolver resolve, const void* context, std::string* reason);

// Mach-O name -> address in this process, from the export trie, else the symbol table's external
// definitions.
bool readExports(const Layout& layout, const std::uint8_t* data, std::uint64_t slide,
                 std::unordered_map<std::string, std::uintptr_t>* exports, std::string* reason);

// The C or math library's function for a libSystem import (Mach-O name); null for one not known.
void* libSystemImport(std::string_view name);

}  // namespace quorvex::detail::macho
