#!/usr/bin/env bash
# The main job: builds the plug-in and the runner (installing what is missing first), then runs a
# host-language program with the plug-in loaded into the stand-in host.
#
#   ./scripts/run.sh                the tour of Fraction (examples/tour.qv)
#   ./scripts/run.sh PROGRAM.qv     your own program
#   ./scripts/run.sh -              statements typed at a prompt (interactive mode)
#
# Further arguments go to the runner (build/linux/host/runner/quorvex --help lists them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
log=$(mktemp)
if ! (cd "$root" && cmake --preset linux && cmake --build --preset linux --target quorvex-run quorvex) >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "run.sh: the build failed" >&2
  exit 1
fi
rm -f "$log"
runner=$root/build/linux/host/runner/quorvex
if [ $# -eq 0 ]; then
  exec "$runner" "$root/examples/tour.qv"
elif [ "$1" = "-" ]; then
  shift
  exec "$runner" "$@"
fi
exec "$runner" "$@"
