// The records and constants the host reads slot by slot, and the handles and integer types they
// are made of: the layout contract with the host, on every target.
#ifndef QUORVEX_GLUECODE_RECORDS_H
#define QUORVEX_GLUECODE_RECORDS_H

#include <cstddef>
#include <cstdint>

// Host handles: host-owned, opaque, passed through unchanged.
struct QORAobjectStruct;
struct QORAstringStruct;
struct RuntimeText;
struct QORAarrayStruct;
struct QORAclassRefStruct;
struct QORApictureDescription;

// The host's Integer at the proxy interface is pointer-sized (the class binding uses `long`).
using QORAInteger = std::intptr_t;
using QORAUInteger = std::uintptr_t;
// Given an entry name, the address of the host function of that name; null when it has none.
using QORAResolver = void* (*)(const char* entryName);
// Any host-callable plug-in function, as the host stores it in a method entry.
using QORAfunction = void (*)();
// A class record's constructor and destructor.
using QORAinstanceProc = void (*)(QORAobjectStruct* instance);

constexpr std::intptr_t kQORAPluginVersion = 13;
constexpr std::uint32_t kQORAEncodingUTF8 = 0x08000100;
constexpr std::uint32_t kQORAClassConsoleSafe = 0x04;
constexpr std::uint32_t kQORAClassWebOnly = 0x100;
constexpr std::uint32_t kQORAClassWebOnlyClears = 0x08;

// One method, operator or global function. Every slot is pointer-sized; the host reads them all.
struct QORAmethodEntry {
  QORAfunction function;  // called with the receiving object first (methods), then the parameters
  void* unused2;
  const char* declaration;  // host-language declaration, NUL-terminated
  std::intptr_t flags;
  std::intptr_t unused5;
  std::intptr_t unused6;
};

// A class as the host registers it. Pointer-sized slots, then a 32-bit flag word, then slots the
// host reserves; the plug-in leaves every unnamed slot zero.
struct QORAclassDefinition {
  std::intptr_t version;
  const char* name;
  void* unused3;
  std::intptr_t dataSize;    // bytes of plug-in data in each instance
  std::intptr_t dataOffset;  // written by the host at registration; the plug-in never writes it
  QORAinstanceProc constructor;
  QORAinstanceProc destructor;
  void* unused8;
  void* unused9;
  QORAmethodEntry* methods;
  std::intptr_t methodCount;
  void* unused12to20[9];
  std::uint32_t flags;
  void* unused22on[8];
};

// What "PluginGetStringData" fills: the bytes (not NUL-terminated) and their count; the host owns
// the other three fields. The caller zeroes all five first.
struct StringDataRecord {
  const char* data;
  QORAInteger length;
  void* hostOwned[3];
};

// The records are read by the host slot by slot: their layout is the contract, on every target.
static_assert(sizeof(QORAmethodEntry) == 6 * sizeof(void*), "method entry: six pointer slots");
static_assert(sizeof(StringDataRecord) == 5 * sizeof(void*), "string data: five pointer slots");
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(QORAmethodEntry) == 48, "method entry is 48 bytes with 8-byte pointers");
static_assert(offsetof(QORAmethodEntry, declaration) == 16, "declaration slot");
static_assert(offsetof(QORAmethodEntry, flags) == 24, "method flags slot");
static_assert(offsetof(QORAclassDefinition, name) == 8, "name slot");
static_assert(offsetof(QORAclassDefinition, dataSize) == 24, "dataSize slot");
static_assert(offsetof(QORAclassDefinition, dataOffset) == 32, "dataOffset slot");
static_assert(offsetof(QORAclassDefinition, constructor) == 40, "constructor slot");
static_assert(offsetof(QORAclassDefinition, destructor) == 48, "destructor slot");
static_assert(offsetof(QORAclassDefinition, methods) == 72, "methods slot");
static_assert(offsetof(QORAclassDefinition, methodCount) == 80, "methodCount slot");
static_assert(offsetof(QORAclassDefinition, flags) == 160, "flags word");
static_assert(sizeof(QORAclassDefinition) == 232, "class record is 232 bytes with 8-byte pointers");
#elif UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(QORAmethodEntry) == 24, "method entry is 24 bytes with 4-byte pointers");
static_assert(offsetof(QORAmethodEntry, declaration) == 8, "declaration slot");
static_assert(offsetof(QORAmethodEntry, flags) == 12, "method flags slot");
static_assert(offsetof(QORAclassDefinition, name) == 4, "name slot");
static_assert(offsetof(QORAclassDefinition, dataSize) == 12, "dataSize slot");
static_assert(offsetof(QORAclassDefinition, dataOffset) == 16, "dataOffset slot");
static_assert(offsetof(QORAclassDefinition, constructor) == 20, "constructor slot");
static_assert(offsetof(QORAclassDefinition, destructor) == 24, "destructor slot");
static_assert(offsetof(QORAclassDefinition, methods) == 36, "methods slot");
static_assert(offsetof(QORAclassDefinition, methodCount) == 40, "methodCount slot");
static_assert(offsetof(QORAclassDefinition, flags) == 80, "flags word");
#else
#error "unsupported pointer width"
#endif

#endif  // QUORVEX_GLUECODE_RECORDS_H
