#!/usr/bin/env bash
# Proves that the macOS artifact check notices the faults it exists for, on dylibs built to have
# them (CTest cannot run in the macOS build, so this is a script of the macOS stage):
#   - a unit of the plug-in that the link left out (its functions are not exported);
#   - a dylib that does not load Foundation;
#   - a dylib linked by zig c++ itself, which exports Zig's whole compiler runtime.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=${1:?usage: macos-self-check.sh OUTPUT_FOLDER}
zig=$root/cmake/toolchains/zig
check=$root/tests/artifacts/check-artifact.sh
mkdir -p "$out"

for unit in entry core_member; do
  "$zig/zig-c++" -O2 -c "$root/tests/artifacts/fixtures/$unit.cpp" -o "$out/$unit.o"
done
"$zig/macos-link" -o "$out/libmissing.dylib" -install_name @rpath/libmissing.dylib "$out/entry.o" \
  -framework Foundation
"$zig/macos-link" -o "$out/libnofoundation.dylib" -install_name @rpath/libnofoundation.dylib \
  "$out/entry.o" "$out/core_member.o"
"$zig/zig-c++" -O2 -shared "$out/entry.o" "$out/core_member.o" -o "$out/libzigruntime.dylib"

# dylib | text the check must print
cases=(
  "libmissing.dylib|does not export __Z10coreMemberl"
  "libnofoundation.dylib|does not link Foundation"
  "libzigruntime.dylib|symbols that the plug-in's objects do not define"
)
failed=0
for row in "${cases[@]}"; do
  dylib=${row%%|*} expected=${row#*|}
  if output=$("$check" macos-x64 "$out/$dylib" --objects "$out/entry.o" "$out/core_member.o"); then
    echo "FAIL the check accepted $dylib"
    failed=1
  elif grep -qF "$expected" <<<"$output"; then
    echo "ok the check refuses $dylib"
  else
    echo "FAIL the check refused $dylib for another reason: $output"
    failed=1
  fi
done
exit "$failed"
