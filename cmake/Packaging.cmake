# Debian packages (CPack's DEB generator), one per audience. scripts/package builds them into
# build/packages/; the install rules of the deliverables name the component each file goes to.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr (scripts/build does), so that the libraries land in
# Debian's multiarch folder.

set(QUARLO_DEB_RELEASE 1 CACHE STRING "Debian revision of the packages")
set(QUARLO_DEB_MAINTAINER "Quarlo developers <maintainers@users.noreply.c-seed-4e067c5f.example>"
    CACHE STRING "Maintainer field of the packages")
set(deb ${PROJECT_SOURCE_DIR}/packaging/deb)
set(pages ${PROJECT_SOURCE_DIR}/packaging/quarlopages)
set(version ${PROJECT_VERSION}-${QUARLO_DEB_RELEASE})
set(so ${PROJECT_VERSION_MAJOR})

# The changelog is written by hand; its newest entry must be this version.
file(STRINGS ${deb}/changelog head LIMIT_COUNT 1)
if(NOT head MATCHES "^quarlo \\(${version}\\) ")
  message(FATAL_ERROR "packaging/deb/changelog: the newest entry is not ${version}: ${head}")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/app/data/quarlodesk.metainfo.xml release REGEX "<release ")
list(GET release 0 release)
if(NOT release MATCHES "version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "app/data/quarlodesk.metainfo.xml: the newest release is not ${PROJECT_VERSION}")
endif()

# component  package name  section  architecture
set(QUARLO_DEB_PACKAGES
    kokit libkokit${so} libs any
    kokit_dev libkokit-dev libdevel any
    kokit_desktop libkokit-desktop${so} libs any
    kokit_desktop_dev libkokit-desktop-dev libdevel any
    quarlolink libquarlolink${so} libs any
    quarlolink_dev libquarlolink-dev libdevel any
    quarlodesk quarlodesk database any
    quarlo quarlo database any
    quarlopages quarlopages database any
    manual quarlo-doc doc all)

# Every package carries the copyright and the changelog (gzip -9n, as Debian wants them).
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh ${deb}/changelog ${changelog_gz}
  DEPENDS ${deb}/changelog VERBATIM)
add_custom_target(quarlo_deb_changelog ALL DEPENDS ${changelog_gz})

set(CPACK_COMPONENTS_ALL "")
list(LENGTH QUARLO_DEB_PACKAGES n)
math(EXPR last "${n} - 1")
foreach(i RANGE 0 ${last} 4)
  math(EXPR i1 "${i} + 1")
  math(EXPR i2 "${i} + 2")
  math(EXPR i3 "${i} + 3")
  list(GET QUARLO_DEB_PACKAGES ${i} component)
  list(GET QUARLO_DEB_PACKAGES ${i1} package)
  list(GET QUARLO_DEB_PACKAGES ${i2} section)
  list(GET QUARLO_DEB_PACKAGES ${i3} arch)
  string(TOUPPER ${component} C)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  set(CPACK_DEBIAN_${C}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${C}_PACKAGE_SECTION ${section})
  if(arch STREQUAL "all")
    set(CPACK_DEBIAN_${C}_PACKAGE_ARCHITECTURE all)
  endif()
  set(QUARLO_DEB_NAME_${component} ${package})
  install(FILES ${deb}/copyright ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

# The libraries activate ldconfig's trigger and export their shlibs; nothing else runs.
foreach(C KOKIT KOKIT_DESKTOP QUARLOLINK)
  set(CPACK_DEBIAN_${C}_PACKAGE_CONTROL_EXTRA ${deb}/triggers)
endforeach()

# Dependencies beyond what dpkg-shlibdeps finds: our own packages at exactly this version (they
# share private symbols), the development packages' headers and CMake packages.
set(CPACK_DEBIAN_KOKIT_DEV_PACKAGE_DEPENDS "libkokit${so} (= ${version})")
set(CPACK_DEBIAN_KOKIT_DESKTOP_PACKAGE_DEPENDS "libkokit${so} (= ${version})")
set(CPACK_DEBIAN_KOKIT_DESKTOP_DEV_PACKAGE_DEPENDS
    "libkokit-desktop${so} (= ${version}), libkokit-dev (= ${version}), qt6-base-dev")
set(CPACK_DEBIAN_QUARLOLINK_PACKAGE_DEPENDS "libkokit${so} (= ${version})")
set(CPACK_DEBIAN_QUARLOLINK_DEV_PACKAGE_DEPENDS
    "libquarlolink${so} (= ${version}), libkokit-dev (= ${version})")
set(CPACK_DEBIAN_QUARLODESK_PACKAGE_DEPENDS
    "libquarlolink${so} (= ${version}), libkokit${so} (= ${version}), quarlo-doc (= ${version})")
set(CPACK_DEBIAN_QUARLODESK_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_QUARLO_PACKAGE_DEPENDS
    "libquarlolink${so} (= ${version}), libkokit${so} (= ${version})")
set(CPACK_DEBIAN_QUARLOPAGES_PACKAGE_DEPENDS "libkokit${so} (= ${version}), adduser")
set(CPACK_DEBIAN_QUARLOPAGES_PACKAGE_RECOMMENDS "quarlo-doc (= ${version})")
set(CPACK_DEBIAN_QUARLOPAGES_PACKAGE_SUGGESTS "odbc-postgresql")
set(CPACK_DEBIAN_QUARLOPAGES_PACKAGE_CONTROL_EXTRA
    ${pages}/conffiles ${pages}/postinst ${pages}/prerm ${pages}/postrm)
set(CPACK_DEBIAN_QUARLOPAGES_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# quarlopages: its settings (a conffile, root's alone: it holds the shared key), the systemd unit,
# the map folder for database files and the demo database as an example.
install(FILES ${pages}/quarlopages.conf DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/quarlopages
        PERMISSIONS OWNER_READ OWNER_WRITE COMPONENT quarlopages EXCLUDE_FROM_ALL)
install(FILES ${pages}/quarlopages.service DESTINATION lib/systemd/system
        COMPONENT quarlopages EXCLUDE_FROM_ALL)
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/lib/quarlopages/map
        COMPONENT quarlopages EXCLUDE_FROM_ALL)
if(QUARLOPAGES_DEMO_DB)
  install(FILES ${QUARLOPAGES_DEMO_DB} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarlopages/examples
          COMPONENT quarlopages EXCLUDE_FROM_ALL)
endif()
# The manual is browsable from the documentation folder too.
install(CODE "file(CREATE_LINK ../../quarlo/manual
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc/quarlo-doc/manual\" SYMBOLIC)"
  COMPONENT manual EXCLUDE_FROM_ALL)

set(CPACK_DEBIAN_KOKIT_DESCRIPTION "Quarlo toolkit library
kokit is the general toolkit of Quarlo: a persistent settings store,
settings collections, two keyed text ciphers, legacy code page conversions,
text and file name utilities, Chinese amounts and an error reporter with a
log file.

This package holds the shared library.")
set(CPACK_DEBIAN_KOKIT_DEV_DESCRIPTION "Quarlo toolkit library (development files)
kokit is the general toolkit of Quarlo: a persistent settings store,
settings collections, two keyed text ciphers, legacy code page conversions,
text and file name utilities, Chinese amounts and an error reporter with a
log file.

This package holds the C++ headers and the CMake package
(find_package(kokit)).")
set(CPACK_DEBIAN_KOKIT_DESKTOP_DESCRIPTION "Quarlo toolkit desktop classes
The timer and the tray icon of kokit, the Quarlo toolkit, on Qt 6 Widgets,
in a library of their own so that kokit itself does not depend on Qt.

This package holds the shared library.")
set(CPACK_DEBIAN_KOKIT_DESKTOP_DEV_DESCRIPTION "Quarlo toolkit desktop classes (development files)
The timer and the tray icon of kokit, the Quarlo toolkit, on Qt 6 Widgets,
in a library of their own so that kokit itself does not depend on Qt.

This package holds the C++ headers and the CMake package
(find_package(kokit-desktop), target kokit::desktop).")
set(CPACK_DEBIAN_QUARLOLINK_DESCRIPTION "Quarlo query service client library
quarlolink lets a program run SQL on a database that it cannot reach
directly: a web site relays to the database through two server pages that
answer plain HTTP requests. It offers a connection object and a paged
recordset.

This package holds the shared library.")
set(CPACK_DEBIAN_QUARLOLINK_DEV_DESCRIPTION "Quarlo query service client library (development files)
quarlolink lets a program run SQL on a database that it cannot reach
directly: a web site relays to the database through two server pages that
answer plain HTTP requests. It offers a connection object and a paged
recordset.

This package holds the C++ headers and the CMake package
(find_package(quarlolink)).")
set(CPACK_DEBIAN_QUARLODESK_DESCRIPTION "Quarlo SQL query analyser for the desktop
quarlodesk runs SQL on databases behind a web site that carries the Quarlo
server pages (MS-SQL Server, Oracle or Access databases): log in, write SQL
in the editor, run the selection or the whole text and page through every
result set. Queries are kept in files with a list of recent files. Its texts
are in Simplified Chinese.")
set(CPACK_DEBIAN_QUARLO_DESCRIPTION "SQL client of Quarlo for terminals and scripts
quarlo runs SQL on databases behind a web site that carries the Quarlo
server pages, as the desktop program does, and writes every row of every
result set as an aligned table, CSV, TSV or JSON lines. Without a script it
opens a prompt with line editing and history.")
set(CPACK_DEBIAN_QUARLOPAGES_DESCRIPTION "Quarlo server pages
quarlopages is the web side of Quarlo: it answers the open and execute pages
of the Quarlo query protocol and relays the statements to databases, file
databases through its built-in SQLite backend and the others through
unixODBC. It also serves the Quarlo user manual.

The package installs a hardened systemd unit that runs the server as its own
user; it stays off until enabled.")
set(CPACK_DEBIAN_MANUAL_DESCRIPTION "Quarlo user manual
The user manual of Quarlo (Simplified Chinese HTML): getting started, every
command of the desktop program, the server pages and their settings, and
troubleshooting. quarlodesk opens it as its help and quarlopages serves it.")

# The multiarch library folder and /etc come from the prefix given at configure time.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/CPackPrefix.cmake
       "message(FATAL_ERROR \"packages need a build configured with -DCMAKE_INSTALL_PREFIX=/usr \"
       \"(scripts/package does it)\")\n")
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackPrefix.cmake)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarlo)
set(CPACK_PACKAGE_VENDOR "Tarnwick Studio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SOURCE quarlo)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUARLO_DEB_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUARLO_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are not installed on the build machine: dpkg-shlibdeps finds them in the
# build tree, and their packages come from the DEPENDS above.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/toolkit ${CMAKE_BINARY_DIR}/toolkit/desktop ${CMAKE_BINARY_DIR}/client)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_POST_BUILD_SCRIPTS ${deb}/DropLdconfigScripts.cmake)
include(CPack)
