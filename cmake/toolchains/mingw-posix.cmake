# Shared part of the two Windows toolchains: Debian's mingw-w64 cross compilers in their -posix
# variants (GoogleTest needs std::mutex). The including file sets QUORVEX_MINGW_TRIPLE and
# QUORVEX_WINE_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUORVEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The GCC runtimes (libgcc, libstdc++, winpthread) are linked in statically, so the plug-in DLL and
# every test program import nothing but system DLLs (KERNEL32 and the C runtime, msvcrt).
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# Test programs run under Wine, in a Wine prefix of the project's own (scripts/wine-run.sh).
get_filename_component(_quorvex_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_quorvex_root}/scripts/wine-run.sh;${QUORVEX_WINE_ARCH}")
