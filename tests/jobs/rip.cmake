tw_test(rip_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RipThreadTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RipTimesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrackChecksumsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/AccurateRipTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SecureReadTest.cpp
  DEPS tw_jobs tw_discimage)
