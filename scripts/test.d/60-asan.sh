# The whole test suite built with clang under AddressSanitizer and UndefinedBehaviorSanitizer; the
# first report of either stops the test that made it.
set -euo pipefail
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
