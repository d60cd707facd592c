#!/usr/bin/env bash
# Builds the plug-in for every target and collects the deliverables in dist/:
#   dist/windows-x86/quorvex.dll, dist/windows-x64/quorvex.dll, dist/macos-x64/libquorvex.dylib
#   and dist/linux-x64/libquorvex.so (the development build),
# with dist/MANIFEST listing each file, its format, size in bytes and SHA-256. Each library passes
# the artifact check (format, exports, imports) before it is collected.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

# folder | configure preset | library | format
targets=(
  "windows-x86|windows-x86|quorvex.dll|PE32 DLL, Windows x86"
  "windows-x64|windows-x64|quorvex.dll|PE32+ DLL, Windows x86-64"
  "macos-x64|macos-x64|libquorvex.dylib|Mach-O 64-bit dylib, macOS x86-64"
  "linux-x64|linux|libquorvex.so|ELF 64-bit shared object, Linux x86-64"
)

rm -rf dist
mkdir -p dist
manifest=dist/MANIFEST
printf '# file\tformat\tsize (bytes)\tSHA-256\n' >"$manifest"

for row in "${targets[@]}"; do
  IFS='|' read -r folder preset library format <<<"$row"
  echo "=== $folder"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" --target quorvex
  built="build/$preset/plugin/$library"
  objects=()
  if [ "$folder" = macos-x64 ]; then
    mapfile -t objects < <(find "build/$preset/plugin" -name '*.o' | sort)
    objects=(--objects "${objects[@]}")
  fi
  tests/artifacts/check-artifact.sh "$folder" "$built" "${objects[@]}"
  mkdir -p "dist/$folder"
  cp "$built" "dist/$folder/"
  file="$folder/$library"
  size=$(stat -c %s "dist/$file")
  sum=$(sha256sum "dist/$file" | cut -d' ' -f1)
  printf '%s\t%s\t%s\t%s\n' "$file" "$format" "$size" "$sum" >>"$manifest"
done

echo "=== dist/MANIFEST"
cat "$manifest"
