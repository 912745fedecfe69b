# Tests of Wendrill.dll in the Windows build, run under Wine (cmake/Windows.cmake;
# suite_wine_test and the pcscd sandbox fixture come from cardlib/tests/windows.cmake).
if(NOT BUILD_TESTING)
  return()
endif()
set(dir ${CMAKE_CURRENT_LIST_DIR})

add_test(NAME wendrill_dll_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:wendrill>
    -DLIBRARY=wendrill -P ${PROJECT_SOURCE_DIR}/cardlib/tests/wine/check_exports.cmake)

# The cases on the sandbox's own cards; those that put cards of their own
# into a spare slot start Linux card processes and stay on Linux.
add_executable(wendrill_pcscd_tests ${dir}/wendrill_pcscd_test.cpp ${dir}/wine/sandbox_names.cpp)
target_include_directories(wendrill_pcscd_tests PRIVATE ${PROJECT_SOURCE_DIR}/sim/testing)
target_link_libraries(wendrill_pcscd_tests PRIVATE wendrill_import winscard
  nlohmann_json::nlohmann_json GTest::gtest_main)
suite_wine_test(wendrill_pcscd_tests PCSCD)

add_executable(wendrill_tests ${dir}/wendrill_test.cpp)
target_link_libraries(wendrill_tests PRIVATE wendrill_objects fake_pcsc simcard GTest::gtest_main)
target_compile_definitions(wendrill_tests PRIVATE
  SIM_PROFILE_DIR="Z:${PROJECT_SOURCE_DIR}/sim/profiles")
suite_wine_test(wendrill_tests)
