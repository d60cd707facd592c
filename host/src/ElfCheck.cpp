#include "ElfCheck.h"

#include <elf.h>

#include <cstdint>
#include <cstring>

namespace quorvex::detail {
namespace {

struct Elf32 {
  using Ehdr = Elf32_Ehdr;
  using Phdr = Elf32_Phdr;
  using Shdr = Elf32_Shdr;
};
struct Elf64 {
  using Ehdr = Elf64_Ehdr;
  using Phdr = Elf64_Phdr;
  using Shdr = Elf64_Shdr;
};
using Native = std::conditional_t<sizeof(void*) == 8, Elf64, Elf32>;
constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;

#if defined(__x86_64__)
constexpr std::uint16_t kMachine = EM_X86_64;
#elif defined(__i386__)
constexpr std::uint16_t kMachine = EM_386;
#elif defined(__aarch64__)
constexpr std::uint16_t kMachine = EM_AARCH64;
#elif defined(__arm__)
constexpr std::uint16_t kMachine = EM_ARM;
#endif

const char* machineName(std::uint16_t machine) {
  switch (machine) {
    case EM_X86_64:
      return "x86-64";
    case EM_386:
      return "32-bit x86";
    case EM_AARCH64:
      return "64-bit ARM";
    case EM_ARM:
      return "32-bit ARM";
  }
  return "another machine";
}

// Widened before adding, so that offsets near the top of the type cannot wrap past the check.
bool within(std::uint64_t offset, std::uint64_t length, std::size_t size) {
  return offset <= size && length <= size - offset;
}

template <class T>
T read(const unsigned char* bytes, std::uint64_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

std::string truncated(const char* what, std::uint64_t end, std::size_t size) {
  return std::string("truncated or damaged: ") + what + " reaches byte " + std::to_string(end) +
         " of a " + std::to_string(size) + "-byte file";
}

template <class E>
std::string tablesProblem(const unsigned char* bytes, std::size_t size) {
  const auto header = read<typename E::Ehdr>(bytes, 0);
  if (header.e_type != ET_DYN) return "an ELF file, but not a shared library";
  if (header.e_machine != kMachine) {
    return std::string("a library for ") + machineName(header.e_machine) + ", not for " +
           machineName(kMachine);
  }
  if (header.e_phentsize != sizeof(typename E::Phdr) || header.e_phnum == 0) {
    return "damaged: no usable program headers";
  }
  const std::uint64_t phEnd = std::uint64_t{header.e_phnum} * sizeof(typename E::Phdr);
  if (!within(header.e_phoff, phEnd, size)) {
    return truncated("the program header table", header.e_phoff + phEnd, size);
  }
  bool loadable = false;
  for (std::uint64_t i = 0; i < header.e_phnum; ++i) {
    const auto ph = read<typename E::Phdr>(bytes, header.e_phoff + i * sizeof(typename E::Phdr));
    if (ph.p_type != PT_LOAD && ph.p_type != PT_DYNAMIC) continue;
    if (!within(ph.p_offset, ph.p_filesz, size)) {
      return truncated(ph.p_type == PT_LOAD ? "a loadable segment" : "the dynamic section",
                       std::uint64_t{ph.p_offset} + ph.p_filesz, size);
    }
    if (ph.p_type == PT_LOAD && ph.p_filesz > ph.p_memsz) return "damaged: a segment overflows";
    loadable |= ph.p_type == PT_LOAD;
  }
  if (!loadable) return "damaged: nothing to load";
  if (header.e_shnum == 0) return {};
  if (header.e_shentsize != sizeof(typename E::Shdr)) return "damaged: bad section headers";
  const std::uint64_t shEnd = std::uint64_t{header.e_shnum} * sizeof(typename E::Shdr);
  if (!within(header.e_shoff, shEnd, size)) {
    return truncated("the section header table", header.e_shoff + shEnd, size);
  }
  for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
    const auto sh = read<typename E::Shdr>(bytes, header.e_shoff + i * sizeof(typename E::Shdr));
    if (sh.sh_type != SHT_NOBITS && !within(sh.sh_offset, sh.sh_size, size)) {
      return truncated("a section", std::uint64_t{sh.sh_offset} + sh.sh_size, size);
    }
  }
  return {};
}

}  // namespace

std::string elfProblem(const unsigned char* bytes, std::size_t size) {
  if (size < EI_NIDENT || std::memcmp(bytes, ELFMAG, SELFMAG) != 0) return "not an ELF file";
  const unsigned char elfClass = bytes[EI_CLASS];
  if (elfClass != ELFCLASS32 && elfClass != ELFCLASS64) return "damaged: unknown ELF class";
  if (elfClass != kNativeClass) {
    return elfClass == ELFCLASS32 ? "a 32-bit library, not a 64-bit one"
                                  : "a 64-bit library, not a 32-bit one";
  }
  if (bytes[EI_DATA] != ELFDATA2LSB) return "a big-endian library";
  if (size < sizeof(Native::Ehdr)) return truncated("the ELF header", sizeof(Native::Ehdr), size);
  return tablesProblem<Native>(bytes, size);
}

}  // namespace quorvex::detail
