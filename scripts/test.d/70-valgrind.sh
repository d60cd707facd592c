# The end-to-end runs under valgrind memcheck: the runner on every example program, the plug-in
# through the stand-in host on the fuzz corpus, and the misbehaving-host tests. Any invalid access
# or leak fails the stage. Uses the linux build of stage 10.
set -euo pipefail
build=build/linux
cmake --preset linux >/dev/null
cmake --build --preset linux --target quorvex-run replay_plugin misbehaving_host_test
memcheck() {
  valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
    --error-exitcode=9 --suppressions=scripts/valgrind.supp "$@"
}
for program in examples/*.qv; do
  echo "--- $program"
  memcheck "$build/host/runner/quorvex" "$program" >/dev/null
done
echo "--- plug-in fuzz corpus"
memcheck "$build/tests/faults/replay_plugin" fuzz/corpus/plugin fuzz/regressions/plugin
echo "--- misbehaving host"
memcheck "$build/tests/faults/misbehaving_host_test" --gtest_brief=1
