# Pure codec tests of the card library, and the fuzz targets of its decoders.
add_executable(nimbrel_codec_tests
  ${CMAKE_CURRENT_LIST_DIR}/codec_alphabet_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec_phonebook_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec_sms_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec_cdma_sms_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec_pbr_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codec_random_test.cpp)
target_include_directories(nimbrel_codec_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../src ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(nimbrel_codec_tests PRIVATE nimbrel_core GTest::gtest_main)
gtest_discover_tests(nimbrel_codec_tests DISCOVERY_TIMEOUT 60)

# libFuzzer targets need clang; configure a separate build with
# -DCMAKE_CXX_COMPILER=clang++ -DSUITE_FUZZ=ON.
option(SUITE_FUZZ "Build the libFuzzer targets of the card decoders (clang only)" OFF)
if(SUITE_FUZZ)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/../fuzz ${CMAKE_BINARY_DIR}/cardlib/fuzz)
endif()
