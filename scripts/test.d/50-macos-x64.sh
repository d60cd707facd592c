# macOS x86-64: the plug-in dylib, compiled with zig c++ and linked with ld64.lld. Nothing of it runs
# here: the record layouts are proven by the static_asserts compiled into it, and the artifact is
# read instead (Mach-O x86-64; exactly the plug-in's external symbols exported; system libraries
# only). The self-check proves the reading catches a dropped unit and a leaked runtime.
set -euo pipefail
cmake --preset macos-x64 >/dev/null
cmake --build --preset macos-x64
mapfile -t objects < <(find build/macos-x64/plugin -name '*.o' | sort)
tests/artifacts/check-artifact.sh macos-x64 build/macos-x64/plugin/libquorvex.dylib --objects "${objects[@]}"
tests/artifacts/macos-self-check.sh build/macos-x64/artifacts-self-check
