# Client transport: the facade's small GetText against a bare libcurl GET.
# Run with: cmake --build build --target bench-transport
find_package(CURL REQUIRED)
pkg_check_modules(BENCH_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
add_executable(bench_transport TransportBench.cpp)
target_include_directories(bench_transport PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(bench_transport PRIVATE quarlolink::quarlolink CURL::libcurl
  PkgConfig::BENCH_HTTPLIB benchmark::benchmark)
quarlo_warnings(bench_transport)
add_custom_target(bench-transport COMMAND bench_transport DEPENDS bench_transport USES_TERMINAL)
