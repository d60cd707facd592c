# macOS x86-64, cross-built here with Zig 0.11's clang (`zig c++ -target x86_64-macos`, installed by
# scripts/setup.sh into .tools/zig) and linked with ld64.lld (zig/macos-link says why). Only the
# plug-in dylib is built: nothing of it can run here, so the artifact is checked instead
# (tests/artifacts), and its record layouts by the static_asserts that compile into every build.
# Foundation is linked through a link stub (macos-sdk/), since there is no macOS SDK here.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "Zig's -target picks the architecture")
set(CMAKE_OSX_SYSROOT "" CACHE PATH "Zig brings its own macOS headers and libSystem stubs")
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "")

set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/zig-cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/zig-c++)
set(CMAKE_AR ${CMAKE_CURRENT_LIST_DIR}/zig/zig-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CMAKE_CURRENT_LIST_DIR}/zig/zig-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/zig/link-rules.cmake)
