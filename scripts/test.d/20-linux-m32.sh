# Linux x86 with -m32: the core and everything that runs natively with a 32-bit long.
set -euo pipefail
cmake --preset linux-m32 >/dev/null
cmake --build --preset linux-m32
ctest --preset linux-m32 -j2
