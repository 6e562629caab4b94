# Client memory: peak resident memory for one 50 MiB answer, each case in a process of its own.
# Run with: cmake --build build --target bench-answer-memory
add_executable(bench_answer_memory AnswerMemoryBench.cpp)
target_include_directories(bench_answer_memory PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(bench_answer_memory PRIVATE quarlolink::quarlolink PkgConfig::BENCH_HTTPLIB)
quarlo_warnings(bench_answer_memory)
add_custom_target(bench-answer-memory COMMAND bench_answer_memory DEPENDS bench_answer_memory
  USES_TERMINAL)
