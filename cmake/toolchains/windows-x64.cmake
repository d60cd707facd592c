# Windows x86-64: 8-byte pointers with a 4-byte `long`. Tests run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUORVEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(QUORVEX_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
