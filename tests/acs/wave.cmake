# Stream core, WAV reading and writing, ADPCM codecs.
tw_test(tw_acs_core_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/CoreOutputTest.cpp DEPS tw_acs)
tw_sanitize(tw_acs_core_tests)
tw_test(tw_acs_wave_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaveReadTest.cpp ${CMAKE_CURRENT_LIST_DIR}/WaveWriteTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/AdpcmCodecTest.cpp ${CMAKE_CURRENT_LIST_DIR}/WavePeerTest.cpp
  DEPS tw_acs)
tw_sanitize(tw_acs_wave_tests)
