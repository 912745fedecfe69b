# PIN operations, card information and the file-tree walks: unit tests
# through the scripted fake PC/SC and the in-process virtual card, and
# integration tests through pcscd (label pcscd).
add_executable(nimbrel_pin_info_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/pin_info/pin_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pin_info/chv_card_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pin_info/card_info_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pin_info/file_map_test.cpp)
target_include_directories(nimbrel_pin_info_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/cardlib/src ${CMAKE_CURRENT_SOURCE_DIR}/unit)
target_link_libraries(nimbrel_pin_info_tests PRIVATE
  nimbrel_core fake_pcsc simcard GTest::gtest_main)
target_compile_definitions(nimbrel_pin_info_tests PRIVATE
  SIM_PROFILE_DIR="${PROJECT_SOURCE_DIR}/sim/profiles")
gtest_discover_tests(nimbrel_pin_info_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)

add_executable(nimbrel_pin_info_pcscd_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/pin_info/pin_info_pcscd_test.cpp)
target_link_libraries(nimbrel_pin_info_pcscd_tests PRIVATE nimbrel sandbox_cards GTest::gtest_main)
target_compile_definitions(nimbrel_pin_info_pcscd_tests PRIVATE
  SIM_PROFILE_DIR="${PROJECT_SOURCE_DIR}/sim/profiles")
add_dependencies(nimbrel_pin_info_pcscd_tests simcard-vpcd pcsc-wait)
# Some tests put cards of their own into the sandbox's spare slots, which
# other pcscd tests would see: they run alone.
gtest_discover_tests(nimbrel_pin_info_pcscd_tests NO_PRETTY_VALUES
  DISCOVERY_TIMEOUT 60
  PROPERTIES FIXTURES_REQUIRED pcscd_sandbox ${SUITE_SANDBOX_CLIENT} LABELS pcscd RUN_SERIAL TRUE)
