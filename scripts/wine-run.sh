#!/usr/bin/env bash
# Runs a Windows program under Wine, in the project's own Wine prefix (.wine/prefix, git-ignored;
# QUORVEX_WINEPREFIX overrides it). The Windows toolchains make it CMake's cross-compiling emulator,
# so CTest runs every Windows test program through it.
#
#   scripts/wine-run.sh win32|win64 program.exe [arguments...]
#   scripts/wine-run.sh prepare     (creates the prefix and starts Wine's server, runs nothing)
#
# The prefix is created quietly on first use; concurrent first uses (ctest -j2) wait for one another.
# Wine's own diagnostics are silenced, no display is needed, and a crashing program ends with a
# failing exit status instead of waiting in the debugger.
set -euo pipefail

arch=${1:?usage: wine-run.sh win32|win64|prepare [program [arguments...]]}
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

# Starting Wine's server and its services costs a second or more, so a server outlives each program
# by a minute and a whole test run shares one. The services it starts must not inherit our output:
# CTest waits until every holder of a test's output has closed it.
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.quorvex-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
    wineserver -w
    touch "$WINEPREFIX/.quorvex-ready"
  fi
  if wineserver -p60 </dev/null >/dev/null 2>&1 9>&-; then # fails when a server is running already
    "$(loader wine64)" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"

case $arch in
  prepare) exit 0 ;;
  win32) exec "$(loader wine)" "$@" ;;
  win64) exec "$(loader wine64)" "$@" ;;
  *) echo "wine-run.sh: unknown architecture '$arch' (win32, win64 or prepare)" >&2; exit 2 ;;
esac
