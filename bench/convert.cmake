# Resampling and Ogg Vorbis throughput against sox, ffmpeg, oggenc and oggdec.
if(TARGET tw_acs)
  add_executable(bench_convert ${CMAKE_CURRENT_LIST_DIR}/convert/ConvertBench.cpp)
  target_link_libraries(bench_convert PRIVATE tw_acs Qt6::Core)
  target_include_directories(bench_convert PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  set_target_properties(bench_convert PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
