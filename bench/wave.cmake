# WAV read/write, IMA ADPCM and normaliser throughput against ffmpeg and sox.
add_executable(bench_wave ${CMAKE_CURRENT_LIST_DIR}/wave/WaveBench.cpp)
target_link_libraries(bench_wave PRIVATE tw_jobs tw_acs)
target_include_directories(bench_wave PRIVATE ${CMAKE_CURRENT_LIST_DIR})
set_target_properties(bench_wave PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
