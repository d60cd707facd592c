// The core's only allocation is the text buffer; when it fails the caller gets a null buffer and
// nothing else happens. This binary is linked with malloc wrapped so that failure can be forced.
#include <cstddef>
#include <cstdlib>

#include "fract_testing.h"

namespace {
bool gFailNextMalloc = false;
}

extern "C" void* __real_malloc(std::size_t size);

extern "C" void* __wrap_malloc(std::size_t size) {
  if (gFailNextMalloc) {
    gFailNextMalloc = false;
    return nullptr;
  }
  return __real_malloc(size);
}

namespace {

TEST(TextBuffer, FailedAllocationGivesANullBuffer) {
  for (auto write : {FractToStr, FractToStr2}) {
    char* out = reinterpret_cast<char*>(&gFailNextMalloc);  // anything but null
    gFailNextMalloc = true;
    EXPECT_EQ(write(out, fract{-10, 3}), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(gFailNextMalloc) << "the core did not allocate through malloc";

    EXPECT_GT(write(out, fract{-10, 3}), 0);  // the next allocation succeeds again
    ASSERT_NE(out, nullptr);
    std::free(out);
  }
}

}  // namespace
