# Our own code builds warning-free; third-party headers are included as system headers.
# The clang fuzz build warns but does not stop on warnings gcc does not give.
function(quarlo_warnings target)
  if(QUARLO_FUZZ)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()
