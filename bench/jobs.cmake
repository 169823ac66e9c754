# Ripping the demo disc to MP3 through the job runner window against the
# extraction thread plus lame run directly on the same WAV files.
add_executable(bench_rip_job ${CMAKE_CURRENT_LIST_DIR}/jobs/RipJobBench.cpp)
set_target_properties(bench_rip_job PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_include_directories(bench_rip_job PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(bench_rip_job PRIVATE tw_jobs tw_discimage tw_testsupport)
