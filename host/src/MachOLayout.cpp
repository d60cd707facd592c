#include "MachOLayout.h"

#include <algorithm>
#include <cstdio>

namespace quorvex::detail::macho {
namespace {

std::string hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

bool fail(std::string* reason, std::string text) {
  *reason = std::move(text);
  return false;
}

bool fits(std::uint64_t offset, std::uint64_t size, std::uint64_t limit) {
  return offset <= limit && size <= limit - offset;
}

bool checkHeader(const Header& header, std::size_t size, std::string* reason) {
  if (header.cpuType == 0x0100000c) return fail(reason, "built for arm64; only x86-64 runs here");
  if (header.cpuType != kCpuX86_64)
    return fail(reason, "built for CPU type " + hex(header.cpuType) + "; only x86-64 runs here");
  if (header.fileType != kFileDylib)
    return fail(reason, "a Mach-O file of type " + std::to_string(header.fileType) +
                            ", not a dynamic library");
  if (header.commandBytes > size - sizeof(Header))
    return fail(reason, "truncated: the load commands run past the end of the file");
  if ((header.flags & kFlagTlvDescriptors) != 0)
    return fail(reason, "uses thread-local variables, which this loader does not support");
  return true;
}

bool readRange(std::uint64_t offset, std::uint64_t size, std::size_t fileSize, FileRange* range,
               const char* what, std::string* reason) {
  if (!fits(offset, size, fileSize))
    return fail(reason, std::string("truncated: the ") + what + " runs past the end of the file");
  *range = FileRange{offset, size};
  return true;
}

bool readSections(Bytes& in, const Segment& segment, std::size_t fileSize, Layout* layout,
                  std::string* reason) {
  for (std::uint32_t i = 0; i < segment.sectionCount; ++i) {
    const Section s = in.read<Section>();
    if (!in.ok()) return fail(reason, "a segment's sections run past its load command");
    const std::uint32_t type = s.flags & kSectionTypeMask;
    const std::string name = fixedName(s.name);
    if (type >= kThreadLocalFirst && type <= kThreadLocalLast)
      return fail(reason, "uses thread-local variables (" + name + "), which are not supported");
    if (s.addr < segment.vmAddr || !fits(s.addr - segment.vmAddr, s.size, segment.vmSize))
      return fail(reason, "section " + name + " lies outside its segment");
    const bool zeroFill = type == kZeroFill || type == kGigaZeroFill;
    if (!zeroFill && s.size != 0 && !fits(s.offset, s.size, fileSize))
      return fail(reason, "truncated: section " + name + " runs past the end of the file");
    layout->sections.push_back(SectionInfo{name, type, s.addr, s.size, s.offset});
  }
  return true;
}

bool readSegment(Bytes& in, std::size_t fileSize, Layout* layout, std::string* reason) {
  const Segment s = in.read<Segment>();
  if (!in.ok()) return fail(reason, "a segment command is shorter than a segment");
  const std::string name = fixedName(s.name);
  if (s.fileSize > s.vmSize) return fail(reason, "segment " + name + " holds more than it maps");
  if (!fits(s.fileOff, s.fileSize, fileSize))
    return fail(reason, "truncated: segment " + name + " runs past the end of the file");
  if (s.vmAddr % kPage != 0 || !fits(s.vmAddr, s.vmSize, ~std::uint64_t{0} - kPage))
    return fail(reason, "segment " + name + " is not page-aligned");
  if (s.vmSize > 0 && s.initProt == 0 && s.vmAddr == 0 && s.fileSize == 0)
    return fail(reason, "has a page-zero segment, which only programs have");
  layout->segments.push_back(SegmentInfo{name, s.vmAddr, s.vmSize, s.fileOff, s.fileSize,
                                         static_cast<std::uint32_t>(s.initProt)});
  return readSections(in, s, fileSize, layout, reason);
}

bool readDylib(Bytes in, Layout* layout, std::string* reason) {
  const DylibCommand d = in.read<DylibCommand>();
  in.seek(d.nameOffset);
  std::string name = in.cstring();
  if (!in.ok()) return fail(reason, "a library load command has no proper name");
  layout->dylibs.push_back(std::move(name));
  return true;
}

bool readDyldInfo(Bytes in, std::size_t fileSize, Layout* layout, std::string* reason) {
  const DyldInfo d = in.read<DyldInfo>();
  if (!in.ok()) return fail(reason, "the linking information command is too short");
  return readRange(d.rebaseOff, d.rebaseSize, fileSize, &layout->rebase, "rebase info", reason) &&
         readRange(d.bindOff, d.bindSize, fileSize, &layout->bind, "bind info", reason) &&
         readRange(d.weakBindOff, d.weakBindSize, fileSize, &layout->weakBind, "weak-bind info",
                   reason) &&
         readRange(d.lazyBindOff, d.lazyBindSize, fileSize, &layout->lazyBind, "lazy-bind info",
                   reason) &&
         readRange(d.exportOff, d.exportSize, fileSize, &layout->exports, "export trie", reason);
}

bool readSymtab(Bytes in, std::size_t fileSize, Layout* layout, std::string* reason) {
  const Symtab s = in.read<Symtab>();
  if (!in.ok()) return fail(reason, "the symbol table command is too short");
  if (s.symCount > fileSize / sizeof(Nlist))
    return fail(reason, "truncated: the symbol table runs past the end of the file");
  return readRange(s.symOff, std::uint64_t{s.symCount} * sizeof(Nlist), fileSize, &layout->symbols,
                   "symbol table", reason) &&
         readRange(s.strOff, s.strSize, fileSize, &layout->strings, "string table", reason);
}

bool readCommand(const Command& c, Bytes body, std::size_t fileSize, Layout* layout,
                 std::string* reason) {
  switch (c.cmd) {
    case kCmdSegment64:
      return readSegment(body, fileSize, layout, reason);
    case kCmdLoadDylib:
    case kCmdLoadWeakDylib:
    case kCmdReexportDylib:
    case kCmdLazyLoadDylib:
    case kCmdLoadUpwardDylib:
      return readDylib(body, layout, reason);
    case kCmdDyldInfo:
    case kCmdDyldInfoOnly:
      return readDyldInfo(body, fileSize, layout, reason);
    case kCmdSymtab:
      return readSymtab(body, fileSize, layout, reason);
    case kCmdDysymtab: {
      const Dysymtab d = body.read<Dysymtab>();
      if (body.ok() && (d.fields[15] != 0 || d.fields[17] != 0))
        return fail(reason, "uses classic relocations, which this loader does not apply");
      return true;
    }
    case kCmdChainedFixups:
      return fail(reason, "uses chained fixups, which this loader does not apply");
    case kCmdExportsTrie: {
      const auto d = body.read<LinkeditData>();
      if (!body.ok()) return fail(reason, "the export trie command is too short");
      return readRange(d.dataOff, d.dataSize, fileSize, &layout->exports, "export trie", reason);
    }
    case kCmdRpath:
      return true;  // search paths matter only to libraries this loader would refuse anyway
    default:
      if ((c.cmd & kRequiredByLoader) != 0)
        return fail(reason, "has load command " + hex(c.cmd) + ", which this loader does not know");
      return true;  // informational: UUID, build version, function starts, code signature, ...
  }
}

bool placeSegments(Layout* layout, std::string* reason) {
  std::vector<const SegmentInfo*> mapped;
  bool header = false;
  for (const SegmentInfo& s : layout->segments) {
    if (s.vmSize > 0) mapped.push_back(&s);
    if (s.fileOff == 0 && s.fileSize >= sizeof(Header) && !header) {
      layout->headerVm = s.vmAddr;
      header = true;
    }
  }
  if (mapped.empty()) return fail(reason, "has no segment to map");
  if (!header) return fail(reason, "no segment maps the Mach-O header");
  std::sort(mapped.begin(), mapped.end(), [](auto* a, auto* b) { return a->vmAddr < b->vmAddr; });
  layout->lowest = mapped.front()->vmAddr;
  std::uint64_t end = layout->lowest;
  for (const SegmentInfo* s : mapped) {
    if (s->vmAddr < end) return fail(reason, "segments " + s->name + " and another overlap");
    end = s->vmAddr + (s->vmSize + kPage - 1) / kPage * kPage;
  }
  layout->span = end - layout->lowest;
  if (layout->span > kMaxSpan)
    return fail(reason, "maps " + hex(layout->span) + " bytes, too many");
  return true;
}

}  // namespace

bool readLayout(const std::uint8_t* data, std::size_t size, Layout* layout, std::string* reason) {
  Bytes file(data, size);
  const Header header = file.read<Header>();
  if (!file.ok()) return fail(reason, "truncated: shorter than a Mach-O header");
  if (header.magic != kMagic64) return fail(reason, "not a 64-bit little-endian Mach-O file");
  if (!checkHeader(header, size, reason)) return false;
  Bytes commands(data + sizeof(Header), header.commandBytes);
  for (std::uint32_t i = 0; i < header.commandCount; ++i) {
    const std::size_t start = commands.pos();
    const Command c = commands.read<Command>();
    if (!commands.ok() || c.size < sizeof(Command) || c.size % 8 != 0 ||
        c.size > commands.size() - start)
      return fail(reason, "load command " + std::to_string(i) + " is malformed or truncated");
    if (!readCommand(c, Bytes(data + sizeof(Header) + start, c.size), size, layout, reason))
      return false;
    commands.seek(start + c.size);
  }
  return placeSegments(layout, reason);
}

}  // namespace quorvex::detail::macho
