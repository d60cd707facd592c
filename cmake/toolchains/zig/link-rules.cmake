# Read after CMake's own rules for the macOS cross build (CMAKE_USER_MAKE_RULES_OVERRIDE): shared
# libraries and modules are linked by zig/macos-link rather than by zig c++ (see there why).
set(_quorvex_link "${CMAKE_CURRENT_LIST_DIR}/macos-link")
foreach(lang C CXX)
  set(CMAKE_${lang}_CREATE_SHARED_LIBRARY
      "${_quorvex_link} <LINK_FLAGS> -o <TARGET> -install_name @rpath/<TARGET_SONAME> <OBJECTS> <LINK_LIBRARIES>")
  set(CMAKE_${lang}_CREATE_SHARED_MODULE
      "${_quorvex_link} <LINK_FLAGS> -o <TARGET> -install_name @rpath/<TARGET_SONAME> <OBJECTS> <LINK_LIBRARIES>")
endforeach()
