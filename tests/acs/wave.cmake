# Stream core, WAV reading and writing, ADPCM codecs.
tw_test(tw_acs_core_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/CoreOutputTest.cpp DEPS tw_acs)
tw_sanitize(tw_acs_core_tests)
