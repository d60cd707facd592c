# Runs the runner once and checks what it prints, its errors and its exit status against what is
# expected. A CMake script rather than a shell script, so that it runs the same wherever CTest does,
# Wine included.
#
#   cmake -DRUNNER=exe [-DPLUGIN=lib | -DPLUGIN_ENV=lib] [-DPROGRAM=file.qv] [-DOPTIONS=a|b] [-DINPUT=stdin-file]
#         [-DEXPECTED=file.out [-DLONG_BITS=32]] [-DEXPECTED_STATUS=0]
#         [-DEXPECTED_ERRORS=file.err | -DERRORS_MATCH=regex] [-DEMULATOR=wine-run.sh|win64]
#         -P run_and_compare.cmake
#
# With LONG_BITS, file.long<LONG_BITS>.out is compared instead of file.out when it exists: where
# the plug-in's Integer width changes the output (a 32-bit `long` overflows sooner). Without
# EXPECTED_ERRORS or ERRORS_MATCH, the runner must write no errors. PLUGIN_ENV hands the plug-in's
# path over in QUORVEX_PLUGIN instead of --plugin; without either, the variable is cleared.
if(NOT DEFINED RUNNER)
  message(FATAL_ERROR "run_and_compare: RUNNER is not set")
endif()
if(NOT DEFINED EXPECTED_STATUS)
  set(EXPECTED_STATUS 0)
endif()
if(DEFINED EXPECTED AND DEFINED LONG_BITS)
  string(REGEX REPLACE "\\.out$" ".long${LONG_BITS}.out" widthSpecific "${EXPECTED}")
  if(EXISTS "${widthSpecific}")
    set(EXPECTED "${widthSpecific}")
  endif()
endif()

set(emulator "")
set(drive "")
if(EMULATOR)
  # A Windows program under Wine reads Unix paths through the drive that maps the root.
  string(REPLACE "|" ";" emulator "${EMULATOR}")
  set(drive "Z:")
endif()
set(command ${emulator} "${RUNNER}")
if(DEFINED PLUGIN)
  list(APPEND command --plugin "${drive}${PLUGIN}")
endif()
if(DEFINED PLUGIN_ENV)
  set(ENV{QUORVEX_PLUGIN} "${drive}${PLUGIN_ENV}")
else()
  unset(ENV{QUORVEX_PLUGIN})
endif()
if(DEFINED OPTIONS)
  string(REPLACE "|" ";" options "${OPTIONS}")
  list(APPEND command ${options})
endif()
if(DEFINED PROGRAM)
  list(APPEND command "${drive}${PROGRAM}")
endif()
set(input "")
if(DEFINED INPUT)
  set(input INPUT_FILE "${INPUT}")
endif()

execute_process(COMMAND ${command} ${input}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" out "${out}")
string(REPLACE "\r\n" "\n" err "${err}")

set(failed FALSE)
if(DEFINED EXPECTED)
  file(READ "${EXPECTED}" want)
  string(REPLACE "\r\n" "\n" want "${want}")
  if(NOT "${out}" STREQUAL "${want}")
    message("--- expected output (${EXPECTED}):\n${want}--- actual output:\n${out}---")
    set(failed TRUE)
  endif()
endif()
if(NOT "${status}" STREQUAL "${EXPECTED_STATUS}")
  message("--- exit status ${status}, expected ${EXPECTED_STATUS}")
  set(failed TRUE)
endif()
if(DEFINED EXPECTED_ERRORS)
  file(READ "${EXPECTED_ERRORS}" wantErr)
  string(REPLACE "\r\n" "\n" wantErr "${wantErr}")
  if(NOT "${err}" STREQUAL "${wantErr}")
    message("--- expected errors:\n${wantErr}--- actual errors:\n${err}---")
    set(failed TRUE)
  endif()
elseif(DEFINED ERRORS_MATCH)
  if(NOT "${err}" MATCHES "${ERRORS_MATCH}")
    message("--- errors should match: ${ERRORS_MATCH}\n--- actual errors:\n${err}---")
    set(failed TRUE)
  endif()
elseif(NOT "${err}" STREQUAL "")
  message("--- unexpected errors:\n${err}---")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "${command}: not as expected")
endif()
