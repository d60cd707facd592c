// The few parts of the 64-bit Mach-O format that a dylib loader reads, declared here so that the
// host builds on any system, and a reader that never steps outside the bytes it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quorvex::detail::macho {

constexpr std::uint32_t kMagic64 = 0xfeedfacf;
constexpr std::uint32_t kCpuX86_64 = 0x01000007;
constexpr std::uint32_t kFileDylib = 6;
constexpr std::uint32_t kFlagTlvDescriptors = 0x800000;

constexpr std::uint32_t kRequiredByLoader = 0x80000000;  // a command that must not be skipped
constexpr std::uint32_t kCmdSegment64 = 0x19;
constexpr std::uint32_t kCmdSymtab = 0x2;
constexpr std::uint32_t kCmdDysymtab = 0xb;
constexpr std::uint32_t kCmdLoadDylib = 0xc;
constexpr std::uint32_t kCmdLoadWeakDylib = 0x18 | kRequiredByLoader;
constexpr std::uint32_t kCmdReexportDylib = 0x1f | kRequiredByLoader;
constexpr std::uint32_t kCmdLazyLoadDylib = 0x20;
constexpr std::uint32_t kCmdLoadUpwardDylib = 0x23 | kRequiredByLoader;
constexpr std::uint32_t kCmdDyldInfo = 0x22;
constexpr std::uint32_t kCmdDyldInfoOnly = 0x22 | kRequiredByLoader;
constexpr std::uint32_t kCmdExportsTrie = 0x33 | kRequiredByLoader;
constexpr std::uint32_t kCmdChainedFixups = 0x34 | kRequiredByLoader;
constexpr std::uint32_t kCmdRpath = 0x1c | kRequiredByLoader;

constexpr std::uint32_t kSectionTypeMask = 0xff;
constexpr std::uint32_t kZeroFill = 0x1;
constexpr std::uint32_t kModInitPointers = 0x9;
constexpr std::uint32_t kModTermPointers = 0xa;
constexpr std::uint32_t kGigaZeroFill = 0xc;
constexpr std::uint32_t kThreadLocalFirst = 0x11;  // 0x11..0x15: thread-local data and descriptors
constexpr std::uint32_t kThreadLocalLast = 0x15;
constexpr std::uint32_t kInitOffsets = 0x16;

constexpr std::uint32_t kProtRead = 1;
constexpr std::uint32_t kProtWrite = 2;
constexpr std::uint32_t kProtExecute = 4;

constexpr const char* kLibSystem = "/usr/lib/libSystem.B.dylib";

struct Header {
  std::uint32_t magic, cpuType, cpuSubtype, fileType, commandCount, commandBytes, flags, reserved;
};
struct Command {
  std::uint32_t cmd, size;
};
struct Segment {
  std::uint32_t cmd, size;
  char name[16];
  std::uint64_t vmAddr, vmSize, fileOff, fileSize;
  std::int32_t maxProt, initProt;
  std::uint32_t sectionCount, flags;
};
struct Section {
  char name[16];
  char segment[16];
  std::uint64_t addr, size;
  std::uint32_t offset, align, relocOff, relocCount, flags, reserved1, reserved2, reserved3;
};
struct Symtab {
  std::uint32_t cmd, size, symOff, symCount, strOff, strSize;
};
struct Dysymtab {
  std::uint32_t cmd, size;
  std::uint32_t fields[18];  // ..., external relocations at [14..15], local ones at [16..17]
};
struct DylibCommand {
  std::uint32_t cmd, size, nameOffset, timestamp, currentVersion, compatibilityVersion;
};
struct DyldInfo {
  std::uint32_t cmd, size;
  std::uint32_t rebaseOff, rebaseSize, bindOff, bindSize, weakBindOff, weakBindSize;
  std::uint32_t lazyBindOff, lazyBindSize, exportOff, exportSize;
};
struct LinkeditData {
  std::uint32_t cmd, size, dataOff, dataSize;
};
struct Nlist {
  std::uint32_t nameIndex;
  std::uint8_t type, section;
  std::uint16_t desc;
  std::uint64_t value;
};
static_assert(sizeof(Header) == 32 && sizeof(Segment) == 72 && sizeof(Section) == 80);
static_assert(sizeof(Dysymtab) == 80 && sizeof(DyldInfo) == 48 && sizeof(Nlist) == 16);

constexpr std::uint8_t kSymbolExternal = 0x01;
constexpr std::uint8_t kSymbolTypeMask = 0x0e;
constexpr std::uint8_t kSymbolInSection = 0x0e;
constexpr std::uint8_t kSymbolDebug = 0xe0;

// A cursor over a byte range. Every read is checked; the first failure sticks, so a caller may
// read a whole record and test ok() once.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  bool atEnd() const { return pos_ >= size_; }
  std::size_t pos() const { return pos_; }
  std::size_t size() const { return size_; }
  void seek(std::size_t pos) {
    if (pos > size_)
      ok_ = false;
    else
      pos_ = pos;
  }

  template <class T>
  T read() {
    T value{};
    if (!ok_ || size_ - pos_ < sizeof(T)) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + pos_, sizeof(T));
    pos_ += sizeof(T);
    return value;
  }
  std::uint8_t byte() { return read<std::uint8_t>(); }

  std::uint64_t uleb() {
    std::uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
      const std::uint8_t b = byte();
      if (!ok_) return 0;
      if (shift >= 64 || (shift == 63 && (b & 0x7e) != 0)) return fail();
      value |= static_cast<std::uint64_t>(b & 0x7f) << shift;
      if ((b & 0x80) == 0) return value;
    }
  }
  std::int64_t sleb() {
    std::uint64_t value = 0;
    unsigned shift = 0;
    std::uint8_t b = 0;
    do {
      b = byte();
      if (!ok_ || shift >= 64) return static_cast<std::int64_t>(fail());
      value |= static_cast<std::uint64_t>(b & 0x7f) << shift;
      shift += 7;
    } while ((b & 0x80) != 0);
    if (shift < 64 && (b & 0x40) != 0) value |= ~std::uint64_t{0} << shift;
    return static_cast<std::int64_t>(value);
  }
  // A NUL-terminated string that must end inside the range.
  std::string cstring() {
    if (!ok_) return {};
    const void* end = std::memchr(data_ + pos_, 0, size_ - pos_);
    if (end == nullptr) {
      ok_ = false;
      return {};
    }
    const auto* stop = static_cast<const std::uint8_t*>(end);
    std::string text(reinterpret_cast<const char*>(data_ + pos_), stop - (data_ + pos_));
    pos_ = static_cast<std::size_t>(stop - data_) + 1;
    return text;
  }

 private:
  std::uint64_t fail() {
    ok_ = false;
    return 0;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// The fixed-size name fields of segments and sections are NUL-padded, not always NUL-terminated.
inline std::string fixedName(const char (&name)[16]) {
  return std::string(name, strnlen(name, sizeof name));
}

}  // namespace quorvex::detail::macho
