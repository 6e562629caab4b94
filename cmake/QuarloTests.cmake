# Every test runs with its own home, config, state and cache folders below the build tree,
# so no test can read or write the user's own settings, logs or files.
set(QUARLO_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)
set(QUARLO_TEST_ENV
    HOME=${QUARLO_TEST_HOME}
    XDG_CONFIG_HOME=${QUARLO_TEST_HOME}/config
    XDG_STATE_HOME=${QUARLO_TEST_HOME}/state
    XDG_CACHE_HOME=${QUARLO_TEST_HOME}/cache
    KOKIT_REGISTRY_DIR=${QUARLO_TEST_HOME}/registry
    QT_QPA_PLATFORM=offscreen
    LC_ALL=C.UTF-8)

# Gives every test discovered from `target` the environment above. Not through
# gtest_discover_tests' PROPERTIES: CMake 3.25 passes them through list expansions that leave a
# list value (ENVIRONMENT) with its first element only. ctest runs this script after the
# discovered tests are added.
function(quarlo_test_environment target)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake)
  file(WRITE ${script} "if(${target}_TESTS)\n"
       "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT \"${QUARLO_TEST_ENV}\")\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# quarlo_add_test(NAME name SOURCES ... LIBS ... [OWN_MAIN])
# OWN_MAIN: the sources bring their own main (a Qt test making its QApplication, say).
function(quarlo_add_test)
  cmake_parse_arguments(T "OWN_MAIN" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quarlo_testsupport GTest::gtest)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  quarlo_warnings(${T_NAME})
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60)
  quarlo_test_environment(${T_NAME})
endfunction()

# Helpers shared by the tests of every deliverable (temporary folders, scoped environment).
add_library(quarlo_testsupport INTERFACE)
target_include_directories(quarlo_testsupport INTERFACE ${CMAKE_SOURCE_DIR}/tests/support)

# The loopback site of the end-to-end tests (headers in tests/support): quarlopages started on a
# SQLite file or the test services' PostgreSQL, a child process, an HTTP GET client, the answer
# parser, a private PostgreSQL cluster and the scripted cpp-httplib server.
find_package(CURL REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(QUARLO_SITE_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
add_library(quarlo_site INTERFACE)
target_link_libraries(quarlo_site INTERFACE quarlo_testsupport quarlopages_pages CURL::libcurl
  SQLite::SQLite3 PkgConfig::QUARLO_SITE_HTTPLIB OpenSSL::SSL)
target_compile_definitions(quarlo_site INTERFACE
  QUARLOPAGES_BIN="$<TARGET_FILE:quarlopages>"
  QUARLO_PRIVATE_POSTGRES="${CMAKE_SOURCE_DIR}/tests/support/private-postgres")
add_dependencies(quarlo_site quarlopages)
