# The stand-in host and the plug-in under valgrind: no leaks and no invalid accesses across load,
# calls, exceptions and unload. Uses the linux build of stage 10.
set -euo pipefail
tests=build/linux/tests/host/quorvex_host_tests
if [ ! -x "$tests" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target quorvex_host_tests
fi
valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
  --error-exitcode=9 "$tests" --gtest_brief=1
