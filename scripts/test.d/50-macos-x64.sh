# macOS x86-64: the plug-in dylib, compiled with zig c++ and linked with ld64.lld. The artifact is
# read (Mach-O x86-64; exactly the plug-in's external symbols exported; system libraries only; the
# self-check proves the reading catches a dropped unit and a leaked runtime). Then the dylib runs:
# the Linux x86-64 host maps it with its own Mach-O loader (same calling convention, same data
# model) and the host-level groups load it instead of the Linux build (the macos-x64-run preset:
# the loader's own tests, the host's start-up and registration, binding, proxy rows through the
# dylib's own proxies, the misbehaving host, the runner, the fuzz replays, and every example and
# documentation program with its 64-bit output).
set -euo pipefail
cmake --preset macos-x64 >/dev/null
cmake --build --preset macos-x64
mapfile -t objects < <(find build/macos-x64/plugin -name '*.o' | sort)
tests/artifacts/check-artifact.sh macos-x64 build/macos-x64/plugin/libquorvex.dylib --objects "${objects[@]}"
tests/artifacts/macos-self-check.sh build/macos-x64/artifacts-self-check

cmake --preset macos-x64-run >/dev/null
cmake --build --preset macos-x64-run
ctest --preset macos-x64-run -j2
