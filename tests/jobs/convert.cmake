# Wave converter and normaliser.
tw_test(tw_convert_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConvertWaveTest.cpp ${CMAKE_CURRENT_LIST_DIR}/NormalizeTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SampleScalerTest.cpp
  DEPS tw_jobs)
tw_sanitize(tw_convert_tests)
