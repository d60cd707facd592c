#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own Wine prefix (.wine/prefix, git-ignored;
# QUORVEX_WINEPREFIX overrides it). The Windows toolchains make it CMake's cross-compiling emulator,
# so CTest runs every Windows test program through it.
#
#   scripts/wine-run.sh win32|win64 program.exe [arguments...]
#
# The prefix is created quietly on first use; concurrent first uses (ctest -j2) wait for one another.
# Wine's own diagnostics are silenced, no display is needed, and a crashing program ends with a
# failing exit status instead of waiting in the debugger.
set -euo pipefail

arch=${1:?usage: wine-run.sh win32|win64 program [arguments...]}
shift
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export WINEPREFIX=${QUORVEX_WINEPREFIX:-$root/.wine/prefix}
export WINEARCH=win64 # one prefix runs both the 32-bit and the 64-bit programs
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

loader() {
  local name=$1
  if [ -x "/usr/lib/wine/$name" ]; then echo "/usr/lib/wine/$name"; else command -v "$name"; fi
}

if [ ! -f "$WINEPREFIX/.quorvex-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quorvex-ready" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.quorvex-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

case $arch in
  win32) exec "$(loader wine)" "$@" ;;
  win64) exec "$(loader wine64)" "$@" ;;
  *) echo "wine-run.sh: unknown architecture '$arch' (win32 or win64)" >&2; exit 2 ;;
esac
