#include "MachOImage.h"

#include <sys/mman.h>

#include <cstring>

#include "MachOLayout.h"
#include "OneLine.h"

namespace quorvex::detail {

using namespace macho;

namespace {

bool fail(std::string* reason, std::string text) {
  *reason = std::move(text);
  return false;
}

std::uint32_t firstWord(const std::uint8_t* head) {
  std::uint32_t word;
  std::memcpy(&word, head, sizeof word);
  return word;
}

// Every refusal says which loader refused, so that a user who picked the wrong build's file
// learns which file it was.
const std::string kCannotMap = "a macOS library the host cannot map: ";

#if defined(__x86_64__) && defined(__linux__)
constexpr bool kRunsHere = true;
#else
constexpr bool kRunsHere = false;
#endif

int protection(std::uint32_t machProt) {
  return ((machProt & kProtRead) != 0 ? PROT_READ : 0) |
         ((machProt & kProtWrite) != 0 ? PROT_WRITE : 0) |
         ((machProt & kProtExecute) != 0 ? PROT_EXEC : 0);
}

}  // namespace

// The steps of a load, in order; each leaves the image consistent for the destructor.
struct MachOLoader {
  MachOImage& image;
  const Layout& layout;
  const std::uint8_t* data;
  std::string* reason;

  bool map() {
    void* region = mmap(nullptr, layout.span, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (region == MAP_FAILED) return fail(reason, "cannot reserve memory for the image");
    image.region_ = static_cast<unsigned char*>(region);
    image.span_ = layout.span;
    image.slide_ = reinterpret_cast<std::uintptr_t>(region) - layout.lowest;
    for (const SegmentInfo& s : layout.segments) {
      if (s.vmSize > 0 && s.fileSize > 0)
        std::memcpy(at(s.vmAddr), data + s.fileOff, static_cast<std::size_t>(s.fileSize));
    }
    // Zero-fill sections may share a page with file bytes, which need not be zero.
    for (const SectionInfo& s : layout.sections) {
      if ((s.type == kZeroFill || s.type == kGigaZeroFill) && s.size > 0)
        std::memset(at(s.addr), 0, static_cast<std::size_t>(s.size));
    }
    return true;
  }

  static Resolution resolve(const void* context, std::int64_t ordinal, const std::string& name,
                            bool weakImport, std::string* why) {
    const auto& self = *static_cast<const MachOLoader*>(context);
    if (ordinal > 0) {
      if (static_cast<std::uint64_t>(ordinal) > self.layout.dylibs.size())
        return {fail(why, "binds " + name + " to a library it does not load"), 0};
      const std::string& dylib = self.layout.dylibs[static_cast<std::size_t>(ordinal - 1)];
      if (dylib != kLibSystem)
        return {fail(why, "imports " + name + " from " + dylib + "; only libSystem is linked here"),
                0};
    } else if (ordinal == 0 || ordinal < -1) {
      const auto own = self.image.exports_.find(name);
      if (own != self.image.exports_.end()) return {true, own->second};
      if (ordinal == 0)
        return {fail(why, "binds " + name + " to itself but does not export it"), 0};
    } else {
      return {fail(why, "binds " + name + " to the main program, which a plug-in has not"), 0};
    }
    if (void* function = libSystemImport(name))
      return {true, reinterpret_cast<std::uintptr_t>(function)};
    if (weakImport) return {true, 0};
    return {fail(why, "imports " + name + ", which the Mach-O loader does not provide"), 0};
  }

  bool link() {
    const std::uint64_t slide = image.slide_;
    auto stream = [&](const FileRange& r) { return Bytes(data + r.offset, r.size); };
    return readExports(layout, data, slide, &image.exports_, reason) &&
           applyRebases(layout, stream(layout.rebase), slide, reason) &&
           applyBinds(layout, stream(layout.bind), BindStream::eager, slide, &resolve, this,
                      reason) &&
           applyBinds(layout, stream(layout.weakBind), BindStream::weak, slide, &resolve, this,
                      reason) &&
           applyBinds(layout, stream(layout.lazyBind), BindStream::lazy, slide, &resolve, this,
                      reason);
  }

  // Gaps between segments stay inaccessible, as they would under the system's loader.
  bool protect() {
    for (const SegmentInfo& s : layout.segments) {
      const auto start = reinterpret_cast<std::uintptr_t>(at(s.vmAddr));
      if (s.vmSize > 0 && (s.initProt & kProtExecute) != 0)
        image.code_.emplace_back(start, start + static_cast<std::uintptr_t>(s.vmSize));
    }
    if (mprotect(image.region_, image.span_, PROT_NONE) != 0)
      return fail(reason, "cannot protect the image's memory");
    for (const SegmentInfo& s : layout.segments) {
      if (s.vmSize == 0) continue;
      const std::size_t size = static_cast<std::size_t>((s.vmSize + kPage - 1) / kPage * kPage);
      if (mprotect(at(s.vmAddr), size, protection(s.initProt)) != 0)
        return fail(reason, "cannot give segment " + s.name + " its protection");
    }
    return true;
  }

  // The initializer and terminator functions, checked to lie in the image's code before any runs.
  bool collect(std::vector<std::uintptr_t>* initializers) {
    for (const SectionInfo& s : layout.sections) {
      const bool offsets = s.type == kInitOffsets;
      if (s.type != kModInitPointers && s.type != kModTermPointers && !offsets) continue;
      const std::size_t width = offsets ? 4 : 8;
      if (s.size % width != 0) return fail(reason, "section " + s.name + " has a partial entry");
      for (std::uint64_t i = 0; i < s.size; i += width) {
        std::uint64_t entry = 0;
        std::memcpy(&entry, at(s.addr + i), width);
        const std::uint64_t function = offsets ? layout.headerVm + entry + image.slide_ : entry;
        if (!image.isCode(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(function))))
          return fail(reason, "an entry of " + s.name + " is not in the code");
        (s.type == kModTermPointers ? image.terminators_ : *initializers)
            .push_back(static_cast<std::uintptr_t>(function));
      }
    }
    return true;
  }

  unsigned char* at(std::uint64_t vmAddr) const {
    return image.region_ + static_cast<std::size_t>(vmAddr - layout.lowest);
  }
};

std::string MachOImage::problem(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  if (size >= 4 && firstWord(data) == 0xbebafeca) {
    reason = "a universal file; only a thin x86-64 dylib can be loaded";
  } else if (!kRunsHere) {
    reason = "an x86-64 dylib runs only in a Linux x86-64 process";
  } else {
    Layout layout;
    readLayout(data, size, &layout, &reason);
  }
  return reason.empty() ? reason : kCannotMap + oneLine(reason);
}

bool MachOImage::isCode(const void* address) const {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  for (const auto& [start, end] : code_)
    if (at >= start && at < end) return true;
  return false;
}

bool MachOImage::recognises(const std::uint8_t* head, std::size_t size) {
  if (size < 4) return false;
  switch (firstWord(head)) {
    case 0xfeedface:  // 32-bit
    case 0xfeedfacf:  // 64-bit
    case 0xcefaedfe:  // either, big-endian
    case 0xcffaedfe:
    case 0xbebafeca:  // universal, whose header is big-endian
      return true;
    default:
      return false;
  }
}

std::unique_ptr<MachOImage> MachOImage::load(const std::uint8_t* data, std::size_t size,
                                             const Options& options, std::string* reason) {
  std::string scratch;
  if (reason == nullptr) reason = &scratch;
  *reason = problem(data, size);
  Layout layout;
  if (!reason->empty() || !readLayout(data, size, &layout, reason)) return nullptr;
  std::unique_ptr<MachOImage> image(new MachOImage());
  MachOLoader loader{*image, layout, data, reason};
  std::vector<std::uintptr_t> initializers;
  if (!loader.map() || !loader.link() || !loader.protect() || !loader.collect(&initializers)) {
    image->terminators_.clear();
    *reason = kCannotMap + oneLine(*reason);
    return nullptr;
  }
  if (!options.runInitializers) image->terminators_.clear();
  for (std::uintptr_t function : initializers) {
    if (options.runInitializers) reinterpret_cast<void (*)()>(function)();
  }
  return image;
}

MachOImage::~MachOImage() {
  for (auto it = terminators_.rbegin(); it != terminators_.rend(); ++it)
    reinterpret_cast<void (*)()> (*it)();
  if (region_ != nullptr) munmap(region_, span_);
}

void* MachOImage::symbol(const char* name) const {
  const auto found = exports_.find(std::string("_") + name);
  return found == exports_.end() ? nullptr : reinterpret_cast<void*>(found->second);
}

}  // namespace quorvex::detail
