# Warnings every target of the project is built with; quorvex_warnings(<target>) applies them. They
# are errors in every build, so that none lands unnoticed on a target nobody looked at; a compiler
# newer than the ones the presets name may warn where these do not, hence the switch.
option(QUORVEX_WARNINGS_AS_ERRORS "Treat the project's compiler warnings as errors" ON)

function(quorvex_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${QUORVEX_WARNINGS_AS_ERRORS}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra
                                             $<$<BOOL:${QUORVEX_WARNINGS_AS_ERRORS}>:-Werror>)
  endif()
endfunction()
