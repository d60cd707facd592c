// The rebase and bind opcode streams: small programs that move a cursor over the segments and
// write a pointer at each stop.
#include <cstring>

#include "MachOLayout.h"

namespace quorvex::detail::macho {
namespace {

constexpr std::uint8_t kPointer = 1;  // the only fixup type x86-64 dylibs use
constexpr std::uint8_t kWeakImport = 0x1;
constexpr std::uint8_t kNonWeakDefinition = 0x8;

bool fail(std::string* reason, std::string text) {
  *reason = std::move(text);
  return false;
}

unsigned char* none(std::string* reason, std::string text) {
  *reason = std::move(text);
  return nullptr;
}

// The cursor every opcode moves. Offsets wrap as unsigned numbers, as the linker writes backward
// steps; each write is checked against its segment instead, and a stream may write at most one
// pointer per pointer-sized slot of the image (twice over), so that a looping stream ends.
class Cursor {
 public:
  Cursor(const Layout& layout, std::uint64_t slide)
      : layout_(layout), slide_(slide), budget_(layout.span / 4 + 16) {}

  std::uint64_t segment = ~std::uint64_t{0};
  std::uint64_t offset = 0;

  // The slot under the cursor, or null with a reason.
  unsigned char* slot(const char* what, std::string* reason) {
    const std::string stream(what);
    if (budget_-- == 0) return none(reason, stream + " info writes too many pointers");
    if (segment >= layout_.segments.size())
      return none(reason, stream + " info names a segment the file does not have");
    const SegmentInfo& s = layout_.segments[segment];
    if (s.vmSize < 8 || offset > s.vmSize - 8)
      return none(reason, stream + " info writes outside segment " + s.name);
    return reinterpret_cast<unsigned char*>(
        static_cast<std::uintptr_t>(s.vmAddr + offset + slide_));
  }

 private:
  const Layout& layout_;
  std::uint64_t slide_;
  std::uint64_t budget_;
};

bool rebaseAt(Cursor& at, std::uint8_t type, std::uint64_t slide, std::string* reason) {
  if (type != kPointer)
    return fail(reason, "rebase of type " + std::to_string(type) + " is not supported");
  unsigned char* slot = at.slot("rebase", reason);
  if (slot == nullptr) return false;
  std::uint64_t value;
  std::memcpy(&value, slot, sizeof value);
  value += slide;
  std::memcpy(slot, &value, sizeof value);
  return true;
}

struct BindState {
  std::int64_t ordinal = 0;
  std::string name;
  std::uint8_t flags = 0;
  std::uint8_t type = kPointer;
  std::int64_t addend = 0;
  bool resolved = false;
  Resolution target{false, 0};
};

}  // namespace

bool applyRebases(const Layout& layout, Bytes in, std::uint64_t slide, std::string* reason) {
  Cursor at(layout, slide);
  std::uint8_t type = 0;
  while (!in.atEnd()) {
    const std::uint8_t byte = in.byte();
    const std::uint8_t imm = byte & 0x0f;
    std::uint64_t times = 1, skip = 0;
    switch (byte & 0xf0) {
      case 0x00:  // done
        return true;
      case 0x10:
        type = imm;
        continue;
      case 0x20:
        at.segment = imm;
        at.offset = in.uleb();
        break;
      case 0x30:
        at.offset += in.uleb();
        break;
      case 0x40:
        at.offset += imm * std::uint64_t{8};
        break;
      case 0x50:
        times = imm;
        [[fallthrough]];
      case 0x60:
        if ((byte & 0xf0) == 0x60) times = in.uleb();
        for (; times > 0 && in.ok(); --times, at.offset += 8)
          if (!rebaseAt(at, type, slide, reason)) return false;
        break;
      case 0x70:
        if (!rebaseAt(at, type, slide, reason)) return false;
        at.offset += 8 + in.uleb();
        break;
      case 0x80:
        times = in.uleb();
        skip = in.uleb();
        for (; times > 0 && in.ok(); --times, at.offset += 8 + skip)
          if (!rebaseAt(at, type, slide, reason)) return false;
        break;
      default:
        return fail(reason, "rebase info has an unknown opcode");
    }
    if (!in.ok()) return fail(reason, "truncated rebase info");
  }
  return true;
}

bool applyBinds(const Layout& layout, Bytes in, BindStream kind, std::uint64_t slide,
                Resolver resolve, const void* context, std::string* reason) {
  Cursor at(layout, slide);
  BindState state;
  auto bindHere = [&]() {
    if (state.type != kPointer)
      return fail(reason, "bind of type " + std::to_string(state.type) + " is not supported");
    if (kind == BindStream::weak && (state.flags & kNonWeakDefinition) != 0) return true;
    if (!state.resolved) {
      const std::int64_t ordinal = kind == BindStream::weak ? -3 : state.ordinal;
      std::string why;
      state.target = resolve(context, ordinal, state.name, (state.flags & kWeakImport) != 0, &why);
      // A weak definition nobody else provides keeps the image's own, already in place.
      if (!state.target.ok && kind != BindStream::weak) return fail(reason, why);
      state.resolved = true;
    }
    unsigned char* slot = at.slot("bind", reason);
    if (slot == nullptr) return false;
    if (!state.target.ok) return true;
    const std::uint64_t value = state.target.address + static_cast<std::uint64_t>(state.addend);
    std::memcpy(slot, &value, sizeof value);
    return true;
  };
  while (!in.atEnd()) {
    const std::uint8_t byte = in.byte();
    const std::uint8_t imm = byte & 0x0f;
    std::uint64_t times = 1, skip = 0;
    switch (byte & 0xf0) {
      case 0x00:  // done: the end of one lazy entry, but of the whole stream otherwise
        if (kind != BindStream::lazy) return true;
        continue;
      case 0x10:
        state.ordinal = imm;
        state.resolved = false;
        break;
      case 0x20:
        state.ordinal = static_cast<std::int64_t>(in.uleb());
        state.resolved = false;
        break;
      case 0x30:
        state.ordinal = imm == 0 ? 0 : static_cast<std::int8_t>(0xf0 | imm);
        state.resolved = false;
        break;
      case 0x40:
        state.flags = imm;
        state.name = in.cstring();
        state.resolved = false;
        break;
      case 0x50:
        state.type = imm;
        break;
      case 0x60:
        state.addend = in.sleb();
        break;
      case 0x70:
        at.segment = imm;
        at.offset = in.uleb();
        break;
      case 0x80:
        at.offset += in.uleb();
        break;
      case 0x90:
      case 0xa0:
      case 0xb0:
        if (!bindHere()) return false;
        at.offset += 8;
        if ((byte & 0xf0) == 0xa0) at.offset += in.uleb();
        if ((byte & 0xf0) == 0xb0) at.offset += imm * std::uint64_t{8};
        break;
      case 0xc0:
        times = in.uleb();
        skip = in.uleb();
        for (; times > 0 && in.ok(); --times, at.offset += 8 + skip)
          if (!bindHere()) return false;
        break;
      case 0xd0:
        return fail(reason, "uses threaded binds, which this loader does not apply");
      default:
        return fail(reason, "bind info has an unknown opcode");
    }
    if (!in.ok()) return fail(reason, "truncated bind info");
  }
  return true;
}

}  // namespace quorvex::detail::macho
