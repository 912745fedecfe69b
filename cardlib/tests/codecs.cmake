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
# Only the pure codec objects of the archive are linked: no PC/SC.
target_link_libraries(nimbrel_codec_tests PRIVATE nimbrel_core GTest::gtest_main)
gtest_discover_tests(nimbrel_codec_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)

# The libFuzzer targets of the decoders (cardlib/fuzz) are added with every
# other fuzz target by the top-level SUITE_FUZZ build (cmake/Fuzz.cmake).

# The book exports through the scripted PC/SC fake and the in-process
# virtual card. The fake comes from unit.cmake, included after this file, so
# the target is defined once the whole directory has been read.
function(nimbrel_add_book_tests)
  if(NOT TARGET fake_pcsc)
    message(FATAL_ERROR "cardlib tests: the PC/SC fake of unit.cmake is missing")
  endif()
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  add_executable(nimbrel_book_tests
    ${dir}/books/books_phonebook_test.cpp
    ${dir}/books/books_usim_test.cpp
    ${dir}/books/books_sms_test.cpp
    ${dir}/books/books_demo_test.cpp)
  target_include_directories(nimbrel_book_tests PRIVATE
    ${PROJECT_SOURCE_DIR}/cardlib/src ${dir}/unit ${dir}/books)
  target_link_libraries(nimbrel_book_tests PRIVATE
    nimbrel_core fake_pcsc simcard GTest::gtest_main)
  target_compile_definitions(nimbrel_book_tests PRIVATE
    SIM_PROFILE_DIR="${PROJECT_SOURCE_DIR}/sim/profiles")
  gtest_discover_tests(nimbrel_book_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
endfunction()
cmake_language(DEFER CALL nimbrel_add_book_tests)

# Every book through pcscd: the sandbox fixture of integration.cmake, with the
# tests' own virtual card in the first free known reader.
function(nimbrel_add_book_integration_tests)
  if(NOT TEST pcscd_sandbox_start)
    message(FATAL_ERROR "cardlib tests: the sandbox fixture of integration.cmake is missing")
  endif()
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  add_executable(nimbrel_book_integration_tests ${dir}/books/books_pcscd_test.cpp)
  target_include_directories(nimbrel_book_integration_tests PRIVATE ${dir}/books)
  target_link_libraries(nimbrel_book_integration_tests PRIVATE
    nimbrel simcard PkgConfig::PCSC Threads::Threads GTest::gtest_main)
  target_compile_definitions(nimbrel_book_integration_tests PRIVATE
    SIM_PROFILE_DIR="${PROJECT_SOURCE_DIR}/sim/profiles")
  add_dependencies(nimbrel_book_integration_tests simcard-vpcd pcsc-wait)
  # A card of ours in the first known reader changes what every other pcscd
  # test finds there, and two of ours would share one vpcd slot: alone, then.
  gtest_discover_tests(nimbrel_book_integration_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES FIXTURES_REQUIRED pcscd_sandbox ${SUITE_SANDBOX_CLIENT} LABELS pcscd RUN_SERIAL TRUE)
endfunction()
cmake_language(DEFER CALL nimbrel_add_book_integration_tests)

# Reading a whole book through the library against bare READ RECORD round
# trips (a program that prints figures; see the source for how to run it).
add_executable(nimbrel-book-bench ${PROJECT_SOURCE_DIR}/cardlib/bench/book_read_main.cpp)
target_include_directories(nimbrel-book-bench PRIVATE ${PROJECT_SOURCE_DIR}/cardlib/src)
target_link_libraries(nimbrel-book-bench PRIVATE nimbrel_core PkgConfig::PCSC)
set_target_properties(nimbrel-book-bench PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/cardlib/bench)
