# Recordset: fill and walk of one large answer beside a memchr scan.
# Run with: cmake --build build --target bench-recordset
add_executable(bench_recordset RecordsetBench.cpp)
target_include_directories(bench_recordset PRIVATE ${PROJECT_SOURCE_DIR}/client/src)
target_link_libraries(bench_recordset PRIVATE quarlolink::quarlolink)
quarlo_warnings(bench_recordset)
add_custom_target(bench-recordset COMMAND bench_recordset DEPENDS bench_recordset USES_TERMINAL)
