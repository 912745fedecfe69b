# Unit tests of the library core: nimbrel_core linked against the scripted
# fake PC/SC service (never pcsc-lite) and the in-process virtual card.
add_library(fake_pcsc STATIC ${CMAKE_CURRENT_SOURCE_DIR}/fake_pcsc/fake_pcsc.cpp)
target_include_directories(fake_pcsc
  PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/fake_pcsc
  PRIVATE ${PCSC_INCLUDE_DIRS})
target_link_libraries(fake_pcsc PUBLIC simcard)

add_executable(nimbrel_unit_tests
  ${CMAKE_CURRENT_SOURCE_DIR}/unit/reader_search_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/unit/transport_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/unit/file_access_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/unit/card_type_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/unit/exports_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/unit/card_answers_test.cpp)
target_include_directories(nimbrel_unit_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/cardlib/src ${CMAKE_CURRENT_SOURCE_DIR}/unit)
target_link_libraries(nimbrel_unit_tests PRIVATE nimbrel_core fake_pcsc simcard GTest::gtest_main)
target_compile_definitions(nimbrel_unit_tests PRIVATE
  SIM_PROFILE_DIR="${PROJECT_SOURCE_DIR}/sim/profiles"
  NIMBREL_HEADER="${PROJECT_SOURCE_DIR}/cardlib/include/nimbrel.h"
  NIMBREL_SO="$<TARGET_FILE:nimbrel>")
add_dependencies(nimbrel_unit_tests nimbrel)
gtest_discover_tests(nimbrel_unit_tests DISCOVERY_TIMEOUT 60)

# Seed corpus of the whole-library fuzz targets, recorded from the virtual cards.
include(${PROJECT_SOURCE_DIR}/cardlib/fuzz/corpus_recorder.cmake)
