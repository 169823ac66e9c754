# The program's start-up on the demo disc, offscreen, to a filled track list.
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup/StartupBench.cpp)
target_link_libraries(bench_startup PRIVATE tw_app tw_discimage)
target_include_directories(bench_startup PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(bench_startup PRIVATE TW_SKIN_DIR="${PROJECT_SOURCE_DIR}/data/skins")
set_target_properties(bench_startup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
