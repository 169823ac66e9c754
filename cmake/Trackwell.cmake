# Shared helpers for the project's targets.

# tw_library(<name> [DEPS ...]): one static library per source folder, built
# from every source file of that folder.
function(tw_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _sources)
    return()  # a folder whose first sources have not landed yet
  endif()
  add_library(${name} STATIC ${_sources} ${_headers})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  tw_sanitize(${name})
endfunction()

# tw_sanitize(<target>): ASan and UBSan on a target when TW_SANITIZE is on.
function(tw_sanitize target)
  if(TW_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# tw_test(<name> SOURCES ... DEPS ...): a GoogleTest executable with the
# shared test main (which makes the QApplication), its cases registered with
# CTest one by one.
function(tw_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE tw_testsupport ${ARG_DEPS})
  target_compile_definitions(${name} PRIVATE
    TW_BUILD_DIR="${CMAKE_BINARY_DIR}"
    TW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
