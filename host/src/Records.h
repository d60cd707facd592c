// The host's own view of the records a plug-in hands over at registration. Every slot is pointer
// wide except the class flag word.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvex::detail {

struct MethodRecord {
  void* function;
  void* reserved1;
  const char* declaration;
  std::uintptr_t flags;
  void* reserved4;
  void* reserved5;
};

struct ClassRecord {
  std::uintptr_t version;
  const char* name;
  void* reserved2;
  std::uintptr_t dataSize;
  std::uintptr_t dataOffset;  // the host writes it
  void* constructor;
  void* destructor;
  void* reserved7;
  void* reserved8;
  const MethodRecord* methods;
  std::uintptr_t methodCount;
  void* reserved11[9];
  std::uint32_t flags;
};

static_assert(sizeof(MethodRecord) == 6 * sizeof(void*), "method entry: six slots");
static_assert(offsetof(ClassRecord, methods) == 9 * sizeof(void*), "methods: tenth slot");
static_assert(offsetof(ClassRecord, flags) == 20 * sizeof(void*), "flags: twenty-first slot");

// What "PluginGetStringData" fills: bytes, byte count, and three slots of the host's own.
struct StringDataRecord {
  const void* bytes;
  std::uintptr_t length;
  void* reserved[3];
};

constexpr std::uint32_t kEncodingUtf8 = 0x08000100;

}  // namespace quorvex::detail
