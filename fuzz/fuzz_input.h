// Turns a fuzzer's byte string into the values a harness needs: small choices, raw integers and
// integers drawn from a table of the values where overflow and sign handling go wrong.
#ifndef QUORVEX_FUZZ_INPUT_H
#define QUORVEX_FUZZ_INPUT_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzzin {

// Boundaries of the platform's long and of the double mantissa, and their neighbours.
inline constexpr long kInteresting[] = {
    0,
    1,
    -1,
    2,
    -2,
    3,
    7,
    8,
    10,
    12,
    LONG_MAX,
    -LONG_MAX,
    LONG_MIN,
    LONG_MAX - 1,
    LONG_MAX / 2,
    LONG_MAX / 2 + 1,
    -(LONG_MAX / 2 + 1),
    INT_MAX,
    INT_MIN,
    46340,  // floor(sqrt(2^31))
    65536,
    1L << 30,
    -(1L << 30),
#if LONG_MAX > INT_MAX
    3037000499L,  // floor(sqrt(2^63))
    3037000500L,
    1L << 53,
    (1L << 53) + 1,
    -(1L << 53) - 1,
    1L << 62,
    (1L << 62) - 1,
    -(1L << 62),
    4294967296L,
    4294967297L,
#endif
};
inline constexpr std::size_t kInterestingCount = sizeof(kInteresting) / sizeof(kInteresting[0]);

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return size_ == 0; }
  std::size_t remaining() const { return size_; }

  // A byte; 0 once the input is used up, so every harness sees a finite, defined stream.
  std::uint8_t byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }

  // A long, most often from the table or of a random bit length, so that all magnitudes and the
  // overflow boundaries are reached often rather than only the 64-bit random ones.
  long integer() {
    const std::uint8_t selector = byte();
    if (selector < 96) return kInteresting[selector % kInterestingCount];
    unsigned long bits = 0;
    for (std::size_t i = 0; i < sizeof(long); ++i) bits = (bits << 8) | byte();
    const unsigned shift = selector % (sizeof(long) * CHAR_BIT);
    long value = static_cast<long>(bits >> shift);
    if (selector & 1) value = value == LONG_MIN ? value : -value;
    return value;
  }

  // An exponent: mostly small, where powers stay in range and the answer is known, now and then
  // any long.
  long exponent() {
    if (byte() % 4 != 0) return static_cast<long>(byte() % 131) - 65;
    return integer();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace fuzzin

#endif  // QUORVEX_FUZZ_INPUT_H
