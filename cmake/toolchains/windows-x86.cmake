# Windows x86 (32-bit): pointers and `long` are both 4 bytes. Tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUORVEX_MINGW_TRIPLE i686-w64-mingw32)
set(QUORVEX_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
