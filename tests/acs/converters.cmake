# Numeric routines, sample converters and Ogg Vorbis.
tw_test(procs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcsTest.cpp
  DEPS tw_acs)
tw_test(converter_filter_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConverterRateFilterTest.cpp
  DEPS tw_acs)
tw_test(converter_components_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConverterComponentsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ConverterTestComponents.h
  DEPS tw_acs)
tw_test(vorbis_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/VorbisTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ConverterTestComponents.h
  DEPS tw_acs)
tw_test(converter_wave_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConverterWaveChainTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ConverterTestComponents.h
  DEPS tw_acs)
tw_test(converter_rate_golden_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConverterRateGoldenTest.cpp
  DEPS tw_acs)
