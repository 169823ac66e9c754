tw_test(rip_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RipThreadTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RipTimesTest.cpp
  DEPS tw_jobs tw_discimage)
