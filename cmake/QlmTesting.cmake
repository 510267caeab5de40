# qlm_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...])
# One GoogleTest executable, registered with CTest test by test. Executables land in bin/ beside the
# programs, so they find the build tree's class registry as an installed program would.
# Label long-running suites "long": the default test run leaves them out.
function(qlm_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qlm_test_support GTest::gtest GTest::gmock)
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
