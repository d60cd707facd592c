# Linux x86-64: the development build (64-bit long, as on macOS).
set -euo pipefail
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux -j2
