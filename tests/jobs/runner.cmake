# The job runner: its sequencing on real discs, files and encoders.
tw_test(job_runner_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/JobRunnerTest.cpp ${CMAKE_CURRENT_LIST_DIR}/JobRulesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RipLogTest.cpp
  DEPS tw_jobs tw_discimage)
