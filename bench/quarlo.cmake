# quarlo end to end: 100,000 rows through `quarlo --format csv` beside `psql --csv` on the same
# PostgreSQL. Run with: cmake --build build --target bench-quarlo
add_custom_target(bench-quarlo
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/quarlo-vs-psql $<TARGET_FILE:quarlo> $<TARGET_FILE:quarlopages>
  DEPENDS quarlo quarlopages USES_TERMINAL)
