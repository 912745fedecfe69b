# Tests of Wendrill.dll in the Windows build, run under Wine (cmake/Windows.cmake;
# suite_wine_test and the pcscd sandbox fixture come from cardlib/tests/windows.cmake).
if(NOT BUILD_TESTING)
  return()
endif()
set(dir ${CMAKE_CURRENT_LIST_DIR})

add_test(NAME wendrill_dll_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:wendrill>
    -DLIBRARY=wendrill -P ${PROJECT_SOURCE_DIR}/cardlib/tests/wine/check_exports.cmake)

add_executable(wendrill_pcscd_tests ${dir}/wendrill_pcscd_test.cpp
  ${dir}/wendrill_spare_card_test.cpp)
target_link_libraries(wendrill_pcscd_tests PRIVATE wendrill_import sandbox_cards winscard
  GTest::gtest_main)
target_compile_definitions(wendrill_pcscd_tests PRIVATE
  SIM_PROFILE_DIR="Z:${PROJECT_SOURCE_DIR}/sim/profiles")
suite_wine_test(wendrill_pcscd_tests PCSCD)

add_executable(wendrill_tests ${dir}/wendrill_test.cpp)
target_link_libraries(wendrill_tests PRIVATE wendrill_objects fake_pcsc simcard GTest::gtest_main)
target_compile_definitions(wendrill_tests PRIVATE
  SIM_PROFILE_DIR="Z:${PROJECT_SOURCE_DIR}/sim/profiles")
suite_wine_test(wendrill_tests)
