# Encoding benchmark: ten WAV files through the MP3 runner against lame run
# directly on the same files in the same run (the runner's overhead).
add_executable(tw_bench_encode ${CMAKE_CURRENT_LIST_DIR}/encode/EncodeBench.cpp)
target_link_libraries(tw_bench_encode PRIVATE tw_encoders Qt6::Widgets)
target_include_directories(tw_bench_encode PRIVATE ${CMAKE_CURRENT_LIST_DIR})
set_target_properties(tw_bench_encode PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
