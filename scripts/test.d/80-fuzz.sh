# Each libFuzzer target for a bounded time from its checked-in corpus and dictionary:
# QUORVEX_FUZZ_SECONDS (60 by default), half of it for the 32-bit builds of the core's harnesses.
# Two targets run at a time (each fuzzer uses one core). New inputs go to a scratch corpus in the
# build tree; a crash, a failed check, a leak or a hang fails the stage and leaves the input in
# build/fuzz/findings/ (save it under fuzz/regressions/<target>/ once fixed, where the replay
# tests keep running it).
set -euo pipefail
export seconds=${QUORVEX_FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
export build=build/fuzz
cmake --build --preset fuzz
# Where 32-bit programs run through qemu (scripts/setup.sh), a sanitized harness under the emulator
# runs its seeds for many minutes before fuzzing even starts: the 32-bit harnesses are left out
# there, and the stage says so.
emulated_i386=false
scripts/i386-emulated.sh && emulated_i386=true
targets=()
for binary in "$build"/fuzz/fuzz_*; do
  [ -f "$binary" ] && [ -x "$binary" ] || continue
  name=${binary##*/fuzz_}
  if $emulated_i386 && [ "${name%-m32}" != "$name" ]; then
    echo "--- fuzz_$name left out: 32-bit programs run through an emulator on this machine"
    continue
  fi
  targets+=("$name")
done
mkdir -p "$build/findings"

# Fuzzes one target; prints its whole report at the end, so that two running at once do not mix.
fuzz_one() {
  local name=$1
  local base=${name%-m32}  # the 32-bit build of a harness shares its seeds and dictionary
  local time=$seconds
  [ "$base" = "$name" ] || time=$(( (seconds + 1) / 2 ))
  local work="$build/corpus-work/$name"
  local log="$build/findings/$name.log"
  mkdir -p "$work"
  if ! "$build/fuzz/fuzz_$name" -max_total_time="$time" -timeout=10 -print_final_stats=1 \
      -dict="fuzz/$base.dict" -artifact_prefix="$build/findings/$name-" \
      "$work" "fuzz/corpus/$base" >"$log" 2>&1; then
    { echo "--- fuzz_$name for ${time} s"; tail -n 60 "$log"
      echo "fuzz_$name: failed; the input is in $build/findings/"; } >&2
    return 1
  fi
  echo "--- fuzz_$name for ${time} s"
  grep -E '^#[0-9]+\s+DONE|^stat::number_of_executed_units' "$log" || true
}
export -f fuzz_one

printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'fuzz_one "$1"' _ {}
