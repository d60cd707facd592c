// The Mach-O loader on the macOS dylib. What it maps and links is held against llvm-objdump's
// reading of the same file (every rebase, bind, lazy bind and export), and damaged copies of the
// file must be refused with the reason that names the damage.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "MachOImage.h"

namespace {

using quorvex::detail::MachOImage;
using Bytes = std::vector<std::uint8_t>;

const Bytes& dylib() {
  static const Bytes bytes = [] {
    std::ifstream in(QUORVEX_DYLIB, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }();
  return bytes;
}

std::unique_ptr<MachOImage> load(const Bytes& bytes, std::string* reason) {
  return MachOImage::load(bytes.data(), bytes.size(), {}, reason);
}

// The rows of one llvm-objdump listing, split into words, after its column header.
std::vector<std::vector<std::string>> listing(const std::string& option, const char* header) {
  const std::string command =
      std::string(QUORVEX_LLVM_OBJDUMP) + " --macho " + option + " " + QUORVEX_DYLIB;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::vector<std::string>> rows;
  char line[4096];
  bool inTable = false;
  while (pipe != nullptr && std::fgets(line, sizeof line, pipe.get()) != nullptr) {
    std::istringstream words(line);
    std::vector<std::string> row{std::istream_iterator<std::string>(words), {}};
    if (inTable && !row.empty()) rows.push_back(row);
    if (!row.empty() && row[0] == header) inTable = true;
  }
  return rows;
}

std::uint64_t number(const std::string& text) {
  return std::stoull(text, nullptr, 0);
}

// File offset of a file-backed address, from the segment commands.
std::uint64_t fileOffset(std::uint64_t vmAddr) {
  struct Segment {
    std::uint64_t vmAddr, fileOff, fileSize;
  };
  static const std::vector<Segment> segments = [] {
    std::vector<Segment> found;
    std::map<std::string, std::uint64_t> field;
    for (const auto& row : listing("--private-headers", "Load")) {
      if (row.size() != 2) continue;
      if (row[0] == "vmaddr" || row[0] == "fileoff") field[row[0]] = number(row[1]);
      if (row[0] == "filesize")
        found.push_back({field["vmaddr"], field["fileoff"], number(row[1])});
    }
    return found;
  }();
  for (const Segment& s : segments)
    if (vmAddr >= s.vmAddr && vmAddr - s.vmAddr < s.fileSize) return s.fileOff + vmAddr - s.vmAddr;
  ADD_FAILURE() << "no segment holds 0x" << std::hex << vmAddr;
  return 0;
}

std::uint64_t wordAt(const void* where) {
  std::uint64_t value;
  std::memcpy(&value, where, sizeof value);
  return value;
}

class Loaded : public ::testing::Test {
 protected:
  void SetUp() override {
    image = load(dylib(), &reason);
    ASSERT_NE(image, nullptr) << reason;
  }
  std::uint64_t slot(const std::string& address) const {
    return wordAt(reinterpret_cast<const void*>(image->address(number(address))));
  }

  std::string reason;
  std::unique_ptr<MachOImage> image;
};

TEST_F(Loaded, EveryRebasedPointerMovesByTheSlide) {
  const auto rows = listing("--rebase", "segment");
  ASSERT_GT(rows.size(), 60u);
  // A lazy pointer is rebased to its stub helper, then bound: the lazy bind test checks it.
  std::vector<std::string> bound;
  for (const auto& row : listing("--lazy-bind", "segment")) bound.push_back(row[2]);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u);
    if (std::find(bound.begin(), bound.end(), row[2]) != bound.end()) continue;
    const std::uint64_t stored = wordAt(dylib().data() + fileOffset(number(row[2])));
    EXPECT_EQ(slot(row[2]), stored + image->slide()) << row[1] << " " << row[2];
  }
}

// libSystem's functions are the C library's of the same name, without the underscore.
TEST_F(Loaded, EveryLazyPointerIsBoundAtLoadToTheCLibrary) {
  const auto rows = listing("--lazy-bind", "segment");
  ASSERT_EQ(rows.size(), 6u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[3], "libSystem");
    const void* expected = dlsym(RTLD_DEFAULT, row[4].c_str() + 1);
    ASSERT_NE(expected, nullptr) << row[4];
    EXPECT_EQ(slot(row[2]), reinterpret_cast<std::uintptr_t>(expected)) << row[4];
  }
}

TEST_F(Loaded, TheStubBinderStopsWithAMessage) {
  const auto rows = listing("--bind", "segment");
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].back(), "dyld_stub_binder");
  const auto binder = reinterpret_cast<void (*)()>(slot(rows[0][2]));
  EXPECT_DEATH(binder(), "called dyld_stub_binder");
}

TEST_F(Loaded, EveryExportIsFoundByItsCName) {
  const auto rows = listing("--exports-trie", "Exports");
  ASSERT_EQ(image->exports().size(), rows.size());
  for (const auto& row : rows) {
    ASSERT_EQ(row[1][0], '_');
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image->symbol(row[1].c_str() + 1)),
              image->address(number(row[0])))
        << row[1];
  }
  EXPECT_EQ(image->symbol("QORAPluginMainX"), nullptr);
}

TEST_F(Loaded, UnloadingUnmapsTheImage) {
  void* entry = image->symbol("QORAPluginMain");
  ASSERT_NE(entry, nullptr);
  void* page =
      reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(entry) & ~std::uintptr_t{4095});
  EXPECT_EQ(msync(page, 4096, MS_ASYNC), 0);
  image.reset();
  EXPECT_EQ(msync(page, 4096, MS_ASYNC), -1);
  EXPECT_EQ(errno, ENOMEM);
}

// Damage done to a copy of the dylib, and what the refusal must say.
struct Damage {
  const char* name;
  std::function<void(Bytes&)> apply;
  const char* reason;
};

void put32(Bytes& b, std::size_t at, std::uint32_t value) {
  std::memcpy(&b[at], &value, 4);
}
std::uint32_t get32(const Bytes& b, std::size_t at) {
  std::uint32_t value;
  std::memcpy(&value, &b[at], 4);
  return value;
}

// Offset of the first load command `cmd`, walking the commands after the 32-byte header.
std::size_t command(const Bytes& b, std::uint32_t cmd) {
  std::size_t at = 32;
  for (std::uint32_t i = 0; i < get32(b, 16); ++i, at += get32(b, at + 4))
    if (get32(b, at) == cmd) return at;
  ADD_FAILURE() << "no load command " << cmd;
  return 32;
}

// Offset of `text` within the lazy-bind stream.
std::size_t inLazyBinds(const Bytes& b, const std::string& text) {
  const std::size_t info = command(b, 0x80000022);
  const auto start = b.begin() + get32(b, info + 32);
  const auto end = start + get32(b, info + 36);
  const auto found = std::search(start, end, text.begin(), text.end());
  EXPECT_NE(found, end) << text;
  return static_cast<std::size_t>(found - b.begin());
}

const Damage kDamages[] = {
    {"empty", [](Bytes& b) { b.clear(); }, "truncated: shorter than a Mach-O header"},
    {"half_header", [](Bytes& b) { b.resize(20); }, "truncated: shorter than a Mach-O header"},
    {"commands_cut", [](Bytes& b) { b.resize(600); }, "truncated: the load commands"},
    {"linkedit_cut", [](Bytes& b) { b.resize(b.size() - 1); }, "truncated: segment __LINKEDIT"},
    {"control_byte_in_a_name",
     [](Bytes& b) {
       const auto name = std::search(b.begin(), b.begin() + 4096, std::begin("__LINKEDIT"),
                                     std::end("__LINKEDIT") - 1);
       name[6] = '\n';
       b.resize(b.size() - 1);
     },
     "truncated: segment __LINK\\x0aDIT runs past"},
    {"thirty_two_bit", [](Bytes& b) { put32(b, 0, 0xfeedface); }, "not a 64-bit"},
    {"universal", [](Bytes& b) { put32(b, 0, 0xbebafeca); }, "universal"},
    {"arm64", [](Bytes& b) { put32(b, 4, 0x0100000c); }, "built for arm64"},
    {"executable", [](Bytes& b) { put32(b, 12, 2); }, "type 2, not a dynamic library"},
    {"thread_locals", [](Bytes& b) { put32(b, 24, get32(b, 24) | 0x800000); }, "thread-local"},
    {"chained_fixups", [](Bytes& b) { put32(b, command(b, 0x1b), 0x80000034); }, "chained fixups"},
    {"unknown_required", [](Bytes& b) { put32(b, command(b, 0x1b), 0x80000077); },
     "load command 0x80000077"},
    {"command_overruns", [](Bytes& b) { put32(b, command(b, 0x1b) + 4, 0x10000); },
     "is malformed or truncated"},
    {"unknown_import", [](Bytes& b) { b[inLazyBinds(b, "_log") + 2] = 'X'; },
     "imports _lXg, which the Mach-O loader does not provide"},
    {"import_from_foundation", [](Bytes& b) { b[inLazyBinds(b, "\x12\x40_free")] = 0x11; },
     "imports _free from /System/Library/Frameworks/Foundation"},
    {"import_from_nowhere", [](Bytes& b) { b[inLazyBinds(b, "\x12\x40_free")] = 0x19; },
     "binds _free to a library it does not load"},
    {"initializer_outside_code",
     [](Bytes& b) {  // __la_symbol_ptr's pointers lead into the C library once bound
       const std::size_t sect = static_cast<std::size_t>(
           std::search(b.begin(), b.begin() + 4096, std::begin("__la_symbol_ptr"),
                       std::end("__la_symbol_ptr") - 1) -
           b.begin());
       put32(b, sect + 64, 0x9);
     },
     "an entry of __la_symbol_ptr is not in the code"},
};

class Refused : public ::testing::TestWithParam<Damage> {};

TEST_P(Refused, WithTheReason) {
  Bytes copy = dylib();
  GetParam().apply(copy);
  std::string reason;
  EXPECT_EQ(load(copy, &reason), nullptr);
  EXPECT_NE(reason.find(GetParam().reason), std::string::npos) << reason;
  EXPECT_EQ(reason.find('\n'), std::string::npos) << "one line: " << reason;
}

INSTANTIATE_TEST_SUITE_P(Damaged, Refused, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// Cut anywhere short of its end, the file is refused with a reason (and nothing is run).
TEST(Truncated, EveryCutIsRefused) {
  const Bytes& whole = dylib();
  for (std::size_t size = 0; size < whole.size(); size += 997) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    std::string reason;
    EXPECT_EQ(load(cut, &reason), nullptr) << size;
    EXPECT_FALSE(reason.empty()) << size;
  }
}

}  // namespace
