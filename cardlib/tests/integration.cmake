# Integration tests through the real PC/SC stack. The fixture starts a
# private pcscd with vpcd readers and the virtual cards, and stops both by
# PID afterwards (scripts/pcsc_sandbox.sh). Label: pcscd.
set(NIMBREL_SANDBOX_STATE ${SUITE_SANDBOX_STATE})
set(NIMBREL_SANDBOX_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/pcsc_sandbox.sh)

add_test(NAME pcscd_sandbox_start
  COMMAND bash ${NIMBREL_SANDBOX_SCRIPT} start ${NIMBREL_SANDBOX_STATE})
add_test(NAME pcscd_sandbox_stop
  COMMAND bash ${NIMBREL_SANDBOX_SCRIPT} stop ${NIMBREL_SANDBOX_STATE})
set_tests_properties(pcscd_sandbox_start PROPERTIES
  FIXTURES_SETUP pcscd_sandbox LABELS pcscd TIMEOUT 400
  ENVIRONMENT "SUITE_BUILD_DIR=${CMAKE_BINARY_DIR}")
set_tests_properties(pcscd_sandbox_stop PROPERTIES
  FIXTURES_CLEANUP pcscd_sandbox LABELS pcscd
  ENVIRONMENT "SUITE_BUILD_DIR=${CMAKE_BINARY_DIR}")

add_executable(nimbrel_integration_tests ${CMAKE_CURRENT_SOURCE_DIR}/integration/pcscd_test.cpp)
target_link_libraries(nimbrel_integration_tests PRIVATE nimbrel GTest::gtest_main)
# The sandbox needs these programs.
add_dependencies(nimbrel_integration_tests simcard-vpcd pcsc-wait)
gtest_discover_tests(nimbrel_integration_tests
  DISCOVERY_TIMEOUT 60
  PROPERTIES FIXTURES_REQUIRED pcscd_sandbox ${SUITE_SANDBOX_CLIENT} LABELS pcscd)

# The main job's program against the sandbox: the USIM in the known reader.
add_test(NAME nimbrel_identify_usim COMMAND nimbrel-identify)
set_tests_properties(nimbrel_identify_usim PROPERTIES
  FIXTURES_REQUIRED pcscd_sandbox ${SUITE_SANDBOX_CLIENT} LABELS pcscd
  PASS_REGULAR_EXPRESSION "card: USIM")
