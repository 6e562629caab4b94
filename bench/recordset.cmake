# Recordset: fill and walk of one large answer beside a memchr scan.
# Run with: cmake --build build --target bench-recordset
add_executable(bench_recordset RecordsetBench.cpp)
target_include_directories(bench_recordset PRIVATE ${PROJECT_SOURCE_DIR}/client/src)
target_link_libraries(bench_recordset PRIVATE quarlolink::quarlolink)
quarlo_warnings(bench_recordset)
add_custom_target(bench-recordset COMMAND bench_recordset DEPENDS bench_recordset USES_TERMINAL)

# Recordset end to end: 100,000 rows through quarlopages and PostgreSQL (needs the test services).
# Run with: source tests/services/start && cmake --build build --target bench-recordset-e2e
add_executable(bench_recordset_e2e RecordsetEndToEndBench.cpp)
target_include_directories(bench_recordset_e2e PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_recordset_e2e PRIVATE QUARLOPAGES_BIN="$<TARGET_FILE:quarlopages>")
target_link_libraries(bench_recordset_e2e PRIVATE quarlolink::quarlolink)
quarlo_warnings(bench_recordset_e2e)
add_dependencies(bench_recordset_e2e quarlopages)
add_custom_target(bench-recordset-e2e COMMAND bench_recordset_e2e DEPENDS bench_recordset_e2e
  USES_TERMINAL)
