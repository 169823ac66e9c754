# WMA encoding through trackwell-wmaenc against ffmpeg's wmav2 encoder.
if(TARGET trackwell-wmaenc)
  add_executable(bench_wma ${CMAKE_CURRENT_LIST_DIR}/wmaenc/WmaEncodeBench.cpp)
  target_link_libraries(bench_wma PRIVATE Qt6::Core)
  target_include_directories(bench_wma PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(bench_wma PRIVATE TW_WMAENC_PATH="$<TARGET_FILE:trackwell-wmaenc>")
  add_dependencies(bench_wma trackwell-wmaenc)
  set_target_properties(bench_wma PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
