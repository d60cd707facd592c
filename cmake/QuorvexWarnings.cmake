# Warnings every target of the project is built with; quorvex_warnings(<target>) applies them.
function(quorvex_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()
