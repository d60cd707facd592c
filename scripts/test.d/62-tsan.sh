# The thread tests built with clang under ThreadSanitizer: eight threads make the plug-in's first
# calls at once. Only those programs are built (with the plug-in's objects and the core); any
# report fails the test that made it.
set -euo pipefail
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j2
