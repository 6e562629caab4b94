# Our own code builds warning-free; third-party headers are included as system headers.
function(quarlo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
