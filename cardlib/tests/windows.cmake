# Tests of Nimbrel.dll in the Windows build, run under Wine (cmake/Windows.cmake).
# Each test program is one ctest test: a Wine start per test case would cost
# more than the cases themselves.
if(NOT BUILD_TESTING)
  return()
endif()
set(dir ${CMAKE_CURRENT_LIST_DIR})

add_test(NAME nimbrel_dll_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:nimbrel>
    -DLIBRARY=nimbrel -P ${dir}/wine/check_exports.cmake)

# A test program under Wine; LABELS pcscd puts it behind the sandbox fixture.
function(suite_wine_test target)
  cmake_parse_arguments(ARG "PCSCD" "" "" ${ARGN})
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  set_tests_properties(${target} PROPERTIES TIMEOUT 600
    ENVIRONMENT "SIM_PROFILE_DIR=Z:${PROJECT_SOURCE_DIR}/sim/profiles")
  if(ARG_PCSCD)
    set_tests_properties(${target} PROPERTIES
      FIXTURES_REQUIRED pcscd_sandbox LABELS pcscd RUN_SERIAL TRUE)
  endif()
endfunction()

add_executable(nimbrel_codec_tests
  ${dir}/codec_alphabet_test.cpp
  ${dir}/codec_phonebook_test.cpp
  ${dir}/codec_sms_test.cpp
  ${dir}/codec_cdma_sms_test.cpp
  ${dir}/codec_pbr_test.cpp
  ${dir}/codec_random_test.cpp)
target_include_directories(nimbrel_codec_tests PRIVATE ${dir}/../src ${dir})
target_link_libraries(nimbrel_codec_tests PRIVATE nimbrel_core winscard GTest::gtest_main)
suite_wine_test(nimbrel_codec_tests)
