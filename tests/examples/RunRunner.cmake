# quorvex_run_runner(<test name> [-D arguments of run_and_compare.cmake...]): a CTest case that
# runs the runner once through run_and_compare.cmake (under the cross-compiling emulator, if any).
function(quorvex_run_runner name)
  set(emulator "")
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    string(REPLACE ";" "|" emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DRUNNER=$<TARGET_FILE:quorvex-run> -DEMULATOR=${emulator}
      ${ARGN} -P ${PROJECT_SOURCE_DIR}/tests/examples/run_and_compare.cmake)
endfunction()
