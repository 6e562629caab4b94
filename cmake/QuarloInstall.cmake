# Install helpers shared by the deliverables.

# The user manual (docs/manual/): quarlodesk opens it as its help, quarlopages serves it. Both find
# it from their own folder (QUARLO_MANUAL_FROM_BIN), so any prefix works. Not below share/doc:
# programs must not need what an administrator may strip from there.
set(QUARLO_INSTALL_MANUALDIR ${CMAKE_INSTALL_DATADIR}/quarlo/manual)
file(RELATIVE_PATH QUARLO_MANUAL_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${QUARLO_INSTALL_MANUALDIR})

# quarlo_install_man(FILE COMPONENT): installs the manual page FILE (name.N) into man<N>, its
# title line showing the project's version, gzip-compressed as Debian wants it (man reads both).
function(quarlo_install_man file component)
  get_filename_component(name ${file} NAME)
  string(REGEX REPLACE "^.*\\.([0-9])$" "\\1" section ${name})
  set(out ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DVERSION=${PROJECT_VERSION}
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endfunction()
