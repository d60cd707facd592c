#!/usr/bin/env bash
# The main job: builds the plug-in and the runner (installing what is missing first), then runs a
# host-language program with the plug-in loaded into the stand-in host.
#
#   ./scripts/run.sh                the tour of Fraction (examples/tour.qv)
#   ./scripts/run.sh PROGRAM.qv     your own program
#   ./scripts/run.sh -              statements typed at a prompt (interactive mode)
#
# Further arguments go to the runner (build/runner/host/runner/quorvex --help lists them).
# Only what the runner needs is installed and built here; ./scripts/test.sh sets up everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "run.sh: $*" >&2; }

"$root/scripts/setup.sh" --runner
runner=$root/build/runner/host/runner/quorvex
[ -x "$runner" ] || say "building the plug-in and the runner (the first time takes a minute or two)"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {
  cd "$root"
  cmake --preset runner >"$log" 2>&1 || return 1
  # Ninja's own progress line, where the output is a terminal; otherwise only failures speak.
  if [ -t 2 ]; then
    cmake --build --preset runner 2>&1 | grep --line-buffered -E '^\[[0-9]+/[0-9]+\]|error' |
      while IFS= read -r line; do printf '\r\033[Krun.sh: %.70s' "$line" >&2; done
    printf '\r\033[K' >&2
    cmake --build --preset runner >"$log" 2>&1
  else
    cmake --build --preset runner >"$log" 2>&1
  fi
}
if ! (build); then
  cat "$log" >&2
  say "the build failed"
  exit 1
fi
if [ $# -eq 0 ]; then
  exec "$runner" "$root/examples/tour.qv"
elif [ "$1" = "-" ]; then
  shift
  exec "$runner" "$@"
fi
exec "$runner" "$@"
