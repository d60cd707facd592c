// What a dylib may import from libSystem, and the C or math library function that stands in for
// each. The list is explicit rather than a lookup in this process: a name that merely exists here
// (with another meaning, or another signature) must not be linked by accident.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "MachOLayout.h"

namespace quorvex::detail::macho {
namespace {

// Every lazy pointer is bound at load, so the lazy-binding helper is never reached; if it is, the
// image was linked in a way this loader did not foresee, and going on would jump into nothing.
[[noreturn]] void stubBinderCalled() {
  std::fputs(
      "quorvex: the macOS plug-in called dyld_stub_binder, which the Mach-O loader never "
      "expects (every lazy pointer is bound at load)\n",
      stderr);
  std::abort();
}

// macOS's errno accessor.
int* errnoLocation() {
  return &errno;
}

// The stack protector's canary, for builds that compile with it.
std::uint64_t stackGuard = 0x5eed5a1ecafe0000u;
[[noreturn]] void stackSmashed() {
  std::fputs("quorvex: the macOS plug-in detected a stack buffer overflow\n", stderr);
  std::abort();
}

struct Import {
  std::string_view name;
  void* address;
};

template <class F>
void* fn(F* function) {
  return reinterpret_cast<void*>(function);
}

using Unary = double (*)(double);
using Binary = double (*)(double, double);

const Import kImports[] = {
    {"dyld_stub_binder", fn(&stubBinderCalled)},
    {"___stack_chk_fail", fn(&stackSmashed)},
    {"___stack_chk_guard", &stackGuard},
    {"___error", fn(&errnoLocation)},
    {"_abort", fn(&std::abort)},
    {"_malloc", fn(&std::malloc)},
    {"_calloc", fn(&std::calloc)},
    {"_realloc", fn(&std::realloc)},
    {"_free", fn(&std::free)},
    {"_memcpy", fn(&std::memcpy)},
    {"_memmove", fn(&std::memmove)},
    {"_memset", fn(&std::memset)},
    {"_memcmp", fn(&std::memcmp)},
    {"_memchr", fn(static_cast<const void* (*)(const void*, int, std::size_t)>(&std::memchr))},
    {"_strlen", fn(&std::strlen)},
    {"_strcmp", fn(&std::strcmp)},
    {"_strncmp", fn(&std::strncmp)},
    {"_strtod", fn(&std::strtod)},
    {"_snprintf", fn(&std::snprintf)},
    {"_log", fn(static_cast<Unary>(&::log))},
    {"_log10", fn(static_cast<Unary>(&::log10))},
    {"_exp", fn(static_cast<Unary>(&::exp))},
    {"_sqrt", fn(static_cast<Unary>(&::sqrt))},
    {"_floor", fn(static_cast<Unary>(&::floor))},
    {"_ceil", fn(static_cast<Unary>(&::ceil))},
    {"_fabs", fn(static_cast<Unary>(&::fabs))},
    {"_pow", fn(static_cast<Binary>(&::pow))},
    {"_fmod", fn(static_cast<Binary>(&::fmod))},
    {"_ldexp", fn(static_cast<double (*)(double, int)>(&::ldexp))},
    {"_frexp", fn(static_cast<double (*)(double, int*)>(&::frexp))},
};

}  // namespace

void* libSystemImport(std::string_view name) {
  for (const Import& import : kImports)
    if (import.name == name) return import.address;
  return nullptr;
}

}  // namespace quorvex::detail::macho
