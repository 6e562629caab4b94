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

# quarlo_add_test(NAME name SOURCES ... LIBS ...)
function(quarlo_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quarlo_testsupport GTest::gtest GTest::gtest_main)
  quarlo_warnings(${T_NAME})
  gtest_discover_tests(${T_NAME} PROPERTIES ENVIRONMENT "${QUARLO_TEST_ENV}" DISCOVERY_TIMEOUT 60)
endfunction()

# Helpers shared by the tests of every deliverable (temporary folders, scoped environment).
add_library(quarlo_testsupport INTERFACE)
target_include_directories(quarlo_testsupport INTERFACE ${CMAKE_SOURCE_DIR}/tests/support)
