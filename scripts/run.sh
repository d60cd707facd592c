#!/usr/bin/env bash
# The main job: builds what is needed, then runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvex-calc >/dev/null
# With no arguments the calculator runs its own short demonstration; otherwise each argument is one
# word of the expression: ./scripts/run.sh 1/2 + 1/3, or ./scripts/run.sh "1 1/2" x 3.
exec build/linux/examples/quorvex-calc "$@"
