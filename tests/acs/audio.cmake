# Sound-card output and level indicator, on ALSA's file and null plugins.
tw_test(audio_out_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AudioOutTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/AlsaTestCard.h
          ${CMAKE_CURRENT_LIST_DIR}/ConverterTestComponents.h
  DEPS tw_acs)
tw_test(indicator_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/IndicatorTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ConverterTestComponents.h
  DEPS tw_acs)
