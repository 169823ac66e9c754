add_executable(bench_extract ${CMAKE_CURRENT_LIST_DIR}/extract/ExtractBench.cpp)
target_include_directories(bench_extract PRIVATE ${CMAKE_CURRENT_LIST_DIR})
set_target_properties(bench_extract PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_link_libraries(bench_extract PRIVATE tw_jobs tw_discimage tw_testsupport)
