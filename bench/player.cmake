# The Ogg player's chain on ALSA's null device against oggdec.
add_executable(bench_player ${CMAKE_CURRENT_LIST_DIR}/player/PlayerBench.cpp)
target_link_libraries(bench_player PRIVATE tw_tools)
set_target_properties(bench_player PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_include_directories(bench_player PRIVATE ${CMAKE_CURRENT_LIST_DIR})
