#!/usr/bin/env bash
# Passes every test of quorvex: installs what is missing, then runs each stage of scripts/test.d in
# order. Each stage is a script of its own (build and test one target, run the fuzzers, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
start=$SECONDS
for stage in scripts/test.d/*.sh; do
  echo "=== ${stage##*/}"
  stage_start=$SECONDS
  bash "$stage"
  echo "=== ${stage##*/} passed in $((SECONDS - stage_start)) s"
done
echo "=== all stages passed in $((SECONDS - start)) s"
