#!/usr/bin/env bash
# Passes every test of quorvex: installs what is missing, then runs each stage of scripts/test.d in
# order. Each stage is a script of its own (build and test one target, run the fuzzers, ...). A
# stage that exits 77 found the machine without something it needs and said what: it is reported as
# skipped, on its own line and in the last one, and the run goes on.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
start=$SECONDS
skipped=()
for stage in scripts/test.d/*.sh; do
  name=${stage##*/}
  echo "=== $name"
  stage_start=$SECONDS
  status=0
  bash "$stage" || status=$?
  case $status in
    0) echo "=== $name passed in $((SECONDS - stage_start)) s" ;;
    77) # what the stage needs is missing from this machine; it said what
      echo "=== $name SKIPPED after $((SECONDS - stage_start)) s"
      skipped+=("$name") ;;
    *)
      echo "=== $name FAILED (status $status)"
      exit "$status" ;;
  esac
done
if [ ${#skipped[@]} -gt 0 ]; then
  echo "=== every stage that ran passed, in $((SECONDS - start)) s; SKIPPED: ${skipped[*]}"
else
  echo "=== all stages passed in $((SECONDS - start)) s"
fi
