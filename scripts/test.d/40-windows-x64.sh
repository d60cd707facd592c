# Windows x86-64: cross-built with mingw-w64; every test runs under 64-bit Wine (8-byte pointers, but
# long is still 32 bits), and the artifact tests read the DLL and the test programs (PE32+).
set -euo pipefail
scripts/wine-run.sh prepare
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
ctest --preset windows-x64 -j2
