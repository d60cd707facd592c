# Runs the runner on one program and compares what it prints with a checked-in file. A CMake
# script rather than a shell script, so that it runs the same wherever CTest does, Wine included.
#
#   cmake -DRUNNER=exe -DPLUGIN=lib -DPROGRAM=file.qv -DEXPECTED=file.out [-DLONG_BITS=32]
#         [-DEXPECTED_STATUS=0] [-DEXPECTED_ERRORS=file.err] [-DEMULATOR=wine-run.sh|win64]
#         -P run_and_compare.cmake
#
# With LONG_BITS, file.long<LONG_BITS>.out is compared instead of file.out when it exists: where
# the plug-in's Integer width changes the output (a 32-bit `long` overflows sooner).
foreach(var RUNNER PLUGIN PROGRAM EXPECTED)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_and_compare: ${var} is not set")
  endif()
endforeach()
if(DEFINED LONG_BITS)
  string(REGEX REPLACE "\\.out$" ".long${LONG_BITS}.out" widthSpecific "${EXPECTED}")
  if(EXISTS "${widthSpecific}")
    set(EXPECTED "${widthSpecific}")
  endif()
endif()
if(NOT DEFINED EXPECTED_STATUS)
  set(EXPECTED_STATUS 0)
endif()

set(plugin "${PLUGIN}")
set(program "${PROGRAM}")
set(emulator "")
if(EMULATOR)
  # A Windows program under Wine reads Unix paths through the drive that maps the root.
  string(REPLACE "|" ";" emulator "${EMULATOR}")
  set(plugin "Z:${plugin}")
  set(program "Z:${program}")
endif()

execute_process(
  COMMAND ${emulator} "${RUNNER}" --plugin "${plugin}" "${program}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)

function(normalised text var)
  string(REPLACE "\r\n" "\n" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

normalised("${out}" out)
normalised("${err}" err)
file(READ "${EXPECTED}" want)
normalised("${want}" want)

set(failed FALSE)
if(NOT "${out}" STREQUAL "${want}")
  message("--- expected output (${EXPECTED}):\n${want}--- actual output:\n${out}---")
  set(failed TRUE)
endif()
if(NOT "${status}" STREQUAL "${EXPECTED_STATUS}")
  message("--- exit status ${status}, expected ${EXPECTED_STATUS}; errors:\n${err}")
  set(failed TRUE)
endif()
if(DEFINED EXPECTED_ERRORS)
  file(READ "${EXPECTED_ERRORS}" wantErr)
  normalised("${wantErr}" wantErr)
  if(NOT "${err}" STREQUAL "${wantErr}")
    message("--- expected errors:\n${wantErr}--- actual errors:\n${err}---")
    set(failed TRUE)
  endif()
elseif(NOT "${err}" STREQUAL "")
  message("--- unexpected errors:\n${err}---")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "${PROGRAM}: output differs from ${EXPECTED}")
endif()
