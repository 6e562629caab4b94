# CPack post-build script. CPack gives every package with a library in /usr/lib a postinst and a
# postrm that run ldconfig; Debian wants the ldconfig trigger instead (our library packages carry
# it) and no maintainer script where none is needed. Packs those packages again without them.
function(control_script deb name out)
  execute_process(COMMAND dpkg-deb --info ${deb} ${name} OUTPUT_VARIABLE text ERROR_QUIET)
  string(REGEX REPLACE "\n\n+" "\n" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(postinst "#!/bin/sh\nset -e\nif [ \"$1\" = \"configure\" ]; then\n\tldconfig\nfi\n")
set(postrm "#!/bin/sh\nset -e\nif [ \"$1\" = \"remove\" ]; then\n\tldconfig\nfi\n")
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  control_script(${deb} postinst have_postinst)
  control_script(${deb} postrm have_postrm)
  if(NOT have_postinst STREQUAL postinst OR NOT have_postrm STREQUAL postrm)
    continue()
  endif()
  set(dir ${deb}.d)
  file(REMOVE_RECURSE ${dir})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${dir} COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${dir}/DEBIAN/postinst ${dir}/DEBIAN/postrm)
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${dir} ${deb}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${dir})
endforeach()
