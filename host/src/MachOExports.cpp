// The export trie: a prefix tree whose terminal nodes hold a symbol's offset from the Mach-O
// header. It is read whole at load, so a lookup is one hash probe and a bad trie fails the load.
#include <unordered_set>
#include <utility>

#include "MachOLayout.h"

namespace quorvex::detail::macho {
namespace {

constexpr std::uint64_t kKindMask = 0x3;
constexpr std::uint64_t kKindThreadLocal = 0x1;
constexpr std::uint64_t kKindAbsolute = 0x2;
constexpr std::uint64_t kReexport = 0x8;
constexpr std::uint64_t kStubAndResolver = 0x10;
// Mangled C++ names run to a few hundred characters; a longer path is a malformed trie.
constexpr std::size_t kMaxName = 4096;

bool fail(std::string* reason, std::string text) {
  *reason = std::move(text);
  return false;
}

struct TrieReader {
  const Layout& layout;
  Bytes trie;
  std::uint64_t slide;
  std::unordered_map<std::string, std::uintptr_t>* exports;
  std::string* reason;

  bool terminal(std::uint64_t size, const std::string& name) {
    const std::size_t end = trie.pos() + size;
    const std::uint64_t flags = trie.uleb();
    if ((flags & kReexport) != 0)
      return fail(reason, "re-exports " + name + " from another library");
    if ((flags & kStubAndResolver) != 0)
      return fail(reason,
                  "exports " + name + " through a resolver function, which is not supported");
    if ((flags & kKindMask) == kKindThreadLocal)
      return fail(reason, "exports thread-local " + name + ", which is not supported");
    const std::uint64_t value = trie.uleb();
    if (!trie.ok() || trie.pos() > end) return fail(reason, "the export trie is malformed");
    std::uint64_t address = value;
    if ((flags & kKindMask) != kKindAbsolute) {
      if (value >= layout.span - (layout.headerVm - layout.lowest))
        return fail(reason, "export " + name + " lies outside the image");
      address = layout.headerVm + value + slide;
    }
    (*exports)[name] = static_cast<std::uintptr_t>(address);
    trie.seek(end);
    return true;
  }

  // Depth first, each node at most once: a trie whose edges meet or loop is refused, not walked
  // forever.
  bool walk() {
    std::unordered_set<std::uint64_t> seen;
    std::vector<std::pair<std::uint64_t, std::string>> pending{{0, std::string()}};
    while (!pending.empty()) {
      auto [node, prefix] = std::move(pending.back());
      pending.pop_back();
      if (!seen.insert(node).second || node >= trie.size())
        return fail(reason, "the export trie is malformed");
      trie.seek(node);
      const std::uint64_t terminalSize = trie.uleb();
      if (terminalSize > trie.size() - trie.pos())
        return fail(reason, "the export trie is malformed");
      if (terminalSize > 0 && !terminal(terminalSize, prefix)) return false;
      const std::uint8_t children = trie.byte();
      for (std::uint8_t i = 0; i < children && trie.ok(); ++i) {
        std::string edge = trie.cstring();
        const std::uint64_t child = trie.uleb();
        if (edge.empty() || prefix.size() + edge.size() > kMaxName)
          return fail(reason, "the export trie is malformed");
        pending.emplace_back(child, prefix + edge);
      }
      if (!trie.ok()) return fail(reason, "the export trie is malformed");
    }
    return true;
  }
};

bool readSymbolTable(const Layout& layout, const std::uint8_t* data, std::uint64_t slide,
                     std::unordered_map<std::string, std::uintptr_t>* exports) {
  Bytes symbols(data + layout.symbols.offset, layout.symbols.size);
  const Bytes strings(data + layout.strings.offset, layout.strings.size);
  while (!symbols.atEnd()) {
    const Nlist symbol = symbols.read<Nlist>();
    const bool defined = (symbol.type & kSymbolDebug) == 0 &&
                         (symbol.type & kSymbolExternal) != 0 &&
                         (symbol.type & kSymbolTypeMask) == kSymbolInSection;
    if (!defined || symbol.value < layout.lowest || symbol.value - layout.lowest >= layout.span)
      continue;
    Bytes name = strings;
    name.seek(symbol.nameIndex);
    std::string text = name.cstring();
    if (name.ok()) (*exports)[std::move(text)] = static_cast<std::uintptr_t>(symbol.value + slide);
  }
  return true;
}

}  // namespace

bool readExports(const Layout& layout, const std::uint8_t* data, std::uint64_t slide,
                 std::unordered_map<std::string, std::uintptr_t>* exports, std::string* reason) {
  if (layout.exports.size == 0) return readSymbolTable(layout, data, slide, exports);
  TrieReader reader{layout, Bytes(data + layout.exports.offset, layout.exports.size), slide,
                    exports, reason};
  return reader.walk();
}

}  // namespace quorvex::detail::macho
