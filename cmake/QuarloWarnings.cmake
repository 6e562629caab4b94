# Our own code builds warning-free; third-party headers are included as system headers.
# -Werror is for developers and CI (scripts/build turns it on): a user's or a packager's build
# with another compiler or other flags must not stop on a new warning.
option(QUARLO_WERROR "Treat warnings in our own code as errors" OFF)

function(quarlo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # The clang fuzz build warns but does not stop on warnings gcc does not give.
  if(QUARLO_WERROR AND NOT QUARLO_FUZZ)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
