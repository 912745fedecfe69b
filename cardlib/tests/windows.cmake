# Tests of Nimbrel.dll in the Windows build, run under Wine (cmake/Windows.cmake).
if(NOT BUILD_TESTING)
  return()
endif()
set(dir ${CMAKE_CURRENT_LIST_DIR})

add_test(NAME nimbrel_dll_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:nimbrel>
    -DLIBRARY=nimbrel -P ${dir}/wine/check_exports.cmake)

# A test program under Wine. Unit tests run as one ctest test per program.
# The pcscd tests run one case per process, as on Linux (the library's
# module state must start fresh), behind the sandbox and the bridge.
function(suite_wine_test target)
  cmake_parse_arguments(ARG "PCSCD" "FILTER" "" ${ARGN})
  add_dependencies(${target} winscard_bridge)
  if(ARG_PCSCD)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
      PROPERTIES FIXTURES_REQUIRED pcscd_sandbox ${SUITE_SANDBOX_CLIENT} LABELS pcscd RUN_SERIAL TRUE)
  else()
    set(filter)
    if(ARG_FILTER)
      set(filter --gtest_filter=${ARG_FILTER})
    endif()
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 ${filter})
    set_tests_properties(${target} PROPERTIES TIMEOUT 600)
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
target_link_libraries(nimbrel_codec_tests PRIVATE nimbrel_core GTest::gtest_main)
suite_wine_test(nimbrel_codec_tests)

# The sandbox of the Linux tree: pcscd with vpcd readers and virtual cards,
# which the DLL reaches through the WinSCard bridge.
set(NIMBREL_SANDBOX_STATE ${SUITE_SANDBOX_STATE})
add_test(NAME pcscd_sandbox_start
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/pcsc_sandbox.sh start ${NIMBREL_SANDBOX_STATE})
add_test(NAME pcscd_sandbox_stop
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/pcsc_sandbox.sh stop ${NIMBREL_SANDBOX_STATE})
set_tests_properties(pcscd_sandbox_start PROPERTIES
  FIXTURES_SETUP pcscd_sandbox LABELS pcscd TIMEOUT 400
  ENVIRONMENT "SUITE_BUILD_DIR=${SUITE_LINUX_BUILD_DIR}")
set_tests_properties(pcscd_sandbox_stop PROPERTIES
  FIXTURES_CLEANUP pcscd_sandbox LABELS pcscd
  ENVIRONMENT "SUITE_BUILD_DIR=${SUITE_LINUX_BUILD_DIR}")

# The host half of the bridge, from the Linux tree.
set(NIMBREL_BRIDGE_PID ${CMAKE_CURRENT_BINARY_DIR}/winscard-bridge.pid)
set(NIMBREL_BRIDGE_HOST ${SUITE_LINUX_BUILD_DIR}/cardlib/tests/winscard-bridge-host)
add_test(NAME winscard_bridge_start COMMAND ${NIMBREL_BRIDGE_HOST} start ${NIMBREL_BRIDGE_PID})
add_test(NAME winscard_bridge_stop COMMAND ${NIMBREL_BRIDGE_HOST} stop ${NIMBREL_BRIDGE_PID})
# The host half is the sandbox's PC/SC client: it reaches the private pcscd's socket.
set_tests_properties(winscard_bridge_start PROPERTIES FIXTURES_SETUP pcscd_sandbox LABELS pcscd
  ${SUITE_SANDBOX_CLIENT} DEPENDS pcscd_sandbox_start)
set_tests_properties(winscard_bridge_stop PROPERTIES FIXTURES_CLEANUP pcscd_sandbox LABELS pcscd)

add_executable(nimbrel_integration_tests ${dir}/integration/pcscd_test.cpp)
target_link_libraries(nimbrel_integration_tests PRIVATE nimbrel_import GTest::gtest_main)
suite_wine_test(nimbrel_integration_tests PCSCD)

# The library core on the scripted fake PC/SC service, which lists readers in
# their Windows form, and the in-process virtual card (its vpcd link is for
# Linux only). The symbol-table test reads an ELF file and the pcsc-lite name
# rule is Linux's: on Windows the export check above and the Windows name
# rule take their place.
add_library(simcard STATIC
  ${PROJECT_SOURCE_DIR}/sim/card/card_files.cpp
  ${PROJECT_SOURCE_DIR}/sim/card/profile.cpp
  ${PROJECT_SOURCE_DIR}/sim/card/virtual_card.cpp
  ${PROJECT_SOURCE_DIR}/sim/card/chv.cpp
  ${PROJECT_SOURCE_DIR}/sim/card/select_status.cpp)
target_include_directories(simcard PUBLIC ${PROJECT_SOURCE_DIR}/sim/card)
target_link_libraries(simcard PUBLIC nlohmann_json::nlohmann_json)

add_library(fake_pcsc STATIC ${dir}/fake_pcsc/fake_pcsc.cpp)
target_include_directories(fake_pcsc PUBLIC ${dir}/fake_pcsc)
target_link_libraries(fake_pcsc PUBLIC simcard)

# Profiles are read through Wine's Z: drive, which maps the host's root.
set(NIMBREL_WINE_PROFILES "Z:${PROJECT_SOURCE_DIR}/sim/profiles")

add_executable(nimbrel_unit_tests
  ${dir}/unit/reader_search_test.cpp
  ${dir}/unit/transport_test.cpp
  ${dir}/unit/file_access_test.cpp
  ${dir}/unit/card_type_test.cpp
  ${dir}/unit/exports_test.cpp
  ${dir}/wine/reader_name_test.cpp)
target_include_directories(nimbrel_unit_tests PRIVATE ${dir}/../src ${dir}/unit)
target_link_libraries(nimbrel_unit_tests PRIVATE nimbrel_core fake_pcsc GTest::gtest_main)
target_compile_definitions(nimbrel_unit_tests PRIVATE
  SIM_PROFILE_DIR="${NIMBREL_WINE_PROFILES}"
  NIMBREL_HEADER="${PROJECT_SOURCE_DIR}/cardlib/include/nimbrel.h"
  NIMBREL_SO="$<TARGET_FILE:nimbrel>")
suite_wine_test(nimbrel_unit_tests
  FILTER "-SharedLibrary.*:ReaderNames.CutsExactlyThePcscLiteSuffix:*TwoCharacterCutWouldBeWrong:*NameWithoutSuffixComparedWhole")

add_executable(nimbrel_pin_info_tests
  ${dir}/pin_info/pin_test.cpp
  ${dir}/pin_info/chv_card_test.cpp
  ${dir}/pin_info/card_info_test.cpp
  ${dir}/pin_info/file_map_test.cpp)
target_include_directories(nimbrel_pin_info_tests PRIVATE ${dir}/../src ${dir}/unit)
target_link_libraries(nimbrel_pin_info_tests PRIVATE nimbrel_core fake_pcsc GTest::gtest_main)
target_compile_definitions(nimbrel_pin_info_tests PRIVATE SIM_PROFILE_DIR="${NIMBREL_WINE_PROFILES}")
suite_wine_test(nimbrel_pin_info_tests)

add_executable(nimbrel_book_tests
  ${dir}/books/books_phonebook_test.cpp
  ${dir}/books/books_usim_test.cpp
  ${dir}/books/books_sms_test.cpp
  ${dir}/books/books_demo_test.cpp)
target_include_directories(nimbrel_book_tests PRIVATE ${dir}/../src ${dir}/unit ${dir}/books)
target_link_libraries(nimbrel_book_tests PRIVATE nimbrel_core fake_pcsc GTest::gtest_main)
target_compile_definitions(nimbrel_book_tests PRIVATE SIM_PROFILE_DIR="${NIMBREL_WINE_PROFILES}")
suite_wine_test(nimbrel_book_tests)

# The sandbox helpers for Windows test programs: spare cards are the Linux
# card program, started through Wine.
add_library(sandbox_cards STATIC ${dir}/wine/spare_card_windows.cpp
  ${dir}/wine/card_in_slot_windows.cpp)
target_include_directories(sandbox_cards PUBLIC ${PROJECT_SOURCE_DIR}/sim/testing ${dir}/wine)
target_link_libraries(sandbox_cards PUBLIC nlohmann_json::nlohmann_json winscard simcard)
target_compile_definitions(sandbox_cards PRIVATE
  SIM_PROFILE_DIR="${NIMBREL_WINE_PROFILES}"
  SIMCARD_VPCD_PROGRAM="${SUITE_LINUX_BUILD_DIR}/sim/card/simcard-vpcd")

add_executable(nimbrel_pin_info_pcscd_tests ${dir}/pin_info/pin_info_pcscd_test.cpp)
target_link_libraries(nimbrel_pin_info_pcscd_tests PRIVATE nimbrel_import sandbox_cards
  GTest::gtest_main)
target_compile_definitions(nimbrel_pin_info_pcscd_tests PRIVATE
  SIM_PROFILE_DIR="${NIMBREL_WINE_PROFILES}")
suite_wine_test(nimbrel_pin_info_pcscd_tests PCSCD)

# Every book through pcscd; the card in the first known reader is the Linux
# card program, which saves its files for the tests when it is stopped.
add_executable(nimbrel_book_integration_tests ${dir}/books/books_pcscd_test.cpp)
target_include_directories(nimbrel_book_integration_tests PRIVATE ${dir}/books)
target_link_libraries(nimbrel_book_integration_tests PRIVATE nimbrel_import sandbox_cards
  GTest::gtest_main)
target_compile_definitions(nimbrel_book_integration_tests PRIVATE
  SIM_PROFILE_DIR="${NIMBREL_WINE_PROFILES}")
suite_wine_test(nimbrel_book_integration_tests PCSCD)
