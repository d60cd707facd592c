// The strings of the calls in progress against a plain vector of what is alive, operation by
// operation: a live string it refuses would fail a call, a dropped one it accepts would let the
// plug-in read a string that is gone. And the copy every string result takes, against assign().
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "Runtime.h"

namespace {

using quorvex::detail::putBytes;
using quorvex::detail::StringStack;

struct Slot {
  int id = 0;
};

struct Mix {
  const char* name;
  unsigned seed;
  std::size_t deepest;  // how many strings at most are alive at once
  int dropsPerMille;    // of the operations; half are pushes, the rest finds
  int operations;
};

const Mix kMixes[] = {
    {"a call or two deep", 1, 4, 150, 20000},
    {"past the stack's own slots into chunks", 2, 200, 20, 20000},
    {"thousands at once, then back to none", 3, 5000, 1, 40000},
};

void PrintTo(const Mix& mix, std::ostream* out) {
  *out << mix.name;
}

class StringStackMix : public ::testing::TestWithParam<Mix> {};

TEST_P(StringStackMix, FindsEveryLiveSlotAndNoOther) {
  const Mix& mix = GetParam();
  std::mt19937 random(mix.seed);
  StringStack<Slot> stack;
  std::vector<Slot*> alive;  // the oracle: what push() gave, in order
  std::vector<int> ids;      // what each live slot was given: a slot handed out twice loses it
  std::vector<Slot*> gone;   // dropped by the last popTo()
  int next = 1;
  auto isAlive = [&](const Slot* slot) {
    return std::find(alive.begin(), alive.end(), slot) != alive.end();
  };
  for (int step = 0; step < mix.operations; ++step) {
    const int what = static_cast<int>(random() % 1000);
    if (what < 500 && alive.size() < mix.deepest) {
      alive.push_back(stack.push());
      ids.push_back(alive.back()->id = next++);
    } else if (what < 500 + mix.dropsPerMille) {
      const std::size_t mark = random() % (alive.size() + 1);
      stack.popTo(mark);
      gone.assign(alive.begin() + static_cast<std::ptrdiff_t>(mark), alive.end());
      alive.resize(mark);
      ids.resize(mark);
    } else if (!alive.empty()) {
      const std::size_t at = random() % alive.size();
      const std::size_t from = random() % (alive.size() + 1);
      ASSERT_EQ(stack.find(alive[at], from), at >= from ? alive[at] : nullptr) << "step " << step;
      ASSERT_EQ(alive[at]->id, ids[at]) << "step " << step;
      // Into the middle of a live slot, or just before the first: never a slot.
      ASSERT_EQ(stack.find(reinterpret_cast<const char*>(alive[at]) + 1), nullptr);
      ASSERT_EQ(stack.find(reinterpret_cast<const char*>(alive.front()) - 1), nullptr);
    }
    ASSERT_EQ(stack.size(), alive.size()) << "step " << step;
    if (!gone.empty()) {
      const Slot* dropped = gone[random() % gone.size()];
      if (!isAlive(dropped)) {
        ASSERT_EQ(stack.find(dropped), nullptr) << "step " << step;
      }
    }
    ASSERT_EQ(stack.find(nullptr), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Mixes, StringStackMix, ::testing::ValuesIn(kMixes));

// Every length the inline copy treats apart (none, under 4, under 8, up to 16, beyond), into a
// string as long, shorter (assigned) and longer (cut to length).
TEST(PutBytes, LeavesExactlyTheTextWhateverWasThere) {
  std::string source;
  for (int i = 0; i < 40; ++i) source += static_cast<char>('a' + i % 26);
  for (std::size_t size = 0; size <= source.size(); ++size) {
    for (const std::size_t before : {std::size_t{0}, size / 2, size, size + 1, size + 20}) {
      std::string to(before, '#');
      putBytes(to, source.data(), size);
      ASSERT_EQ(to, source.substr(0, size)) << size << " bytes over " << before;
      ASSERT_EQ(to.c_str()[size], '\0') << size << " bytes over " << before;
    }
  }
}

}  // namespace
