// The set of live handles against std::unordered_set, operation by operation: a handle it loses
// would make the host refuse a live object, one it keeps would let a dead one through.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <unordered_set>
#include <vector>

#include "HandleSet.h"

namespace {

using quorvex::detail::HandleSet;

struct Mix {
  const char* name;
  unsigned seed;
  std::size_t keys;    // distinct handles in play
  std::uintptr_t gap;  // bytes between neighbouring handles: allocators hand out aligned blocks
  int operations;
};

const Mix kMixes[] = {
    {"few handles, churned", 1, 8, 16, 20000},
    {"grows past many doublings", 2, 5000, 16, 40000},
    {"page-aligned handles share their low bits", 3, 600, 4096, 20000},
    {"odd gaps", 4, 300, 24, 20000},
    {"one handle in and out", 5, 1, 64, 1000},
};

void PrintTo(const Mix& mix, std::ostream* out) {
  *out << mix.name;
}

class HandleSetMix : public ::testing::TestWithParam<Mix> {};

TEST_P(HandleSetMix, AgreesWithAnOrdinarySetAtEveryStep) {
  const Mix& mix = GetParam();
  std::mt19937 random(mix.seed);
  const std::uintptr_t base = 0x10000;
  auto handle = [&](std::size_t k) { return reinterpret_cast<const void*>(base + k * mix.gap); };
  HandleSet set;
  std::unordered_set<const void*> oracle;
  for (int step = 0; step < mix.operations; ++step) {
    const void* h = handle(random() % mix.keys);
    switch (random() % 3) {
      case 0:
        set.insert(h);
        oracle.insert(h);
        break;
      case 1:
        set.erase(h);
        oracle.erase(h);
        break;
      default:
        ASSERT_EQ(set.contains(h), oracle.count(h) == 1) << "step " << step;
    }
    ASSERT_EQ(set.size(), oracle.size()) << "step " << step;
  }
  for (std::size_t k = 0; k < mix.keys; ++k) {
    ASSERT_EQ(set.contains(handle(k)), oracle.count(handle(k)) == 1) << "handle " << k;
  }
  std::vector<const void*> listed;
  set.forEach([&](const void* h) { listed.push_back(h); });
  EXPECT_EQ(std::unordered_set<const void*>(listed.begin(), listed.end()), oracle);
  EXPECT_EQ(listed.size(), oracle.size());
  EXPECT_FALSE(set.contains(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Mixes, HandleSetMix, ::testing::ValuesIn(kMixes),
                         [](const auto& info) { return std::to_string(info.param.seed); });

}  // namespace
