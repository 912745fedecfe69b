# The editor's message catalogue: texts and menus of all languages, compiled in.
add_library(brisken_catalogue STATIC
  core/catalogue.cpp
  core/catalogue_en.cpp
  core/catalogue_zh_tw.cpp
  core/catalogue_zh_cn.cpp
  core/catalogue_ru.cpp
  core/catalogue_de.cpp
  core/catalogue_it.cpp
  core/catalogue_es.cpp
  core/catalogue_fr.cpp
  core/catalogue_ja.cpp
  core/catalogue_nl.cpp
  core/catalogue_tr.cpp
  core/catalogue_cs.cpp
  core/catalogue_pl.cpp)
# Plain C++ data: no moc run needed.
set_target_properties(brisken_catalogue PROPERTIES AUTOMOC OFF)
target_include_directories(brisken_catalogue PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
# The tables hold UTF-8 literals; keep them UTF-8 whatever the build locale says.
target_compile_options(brisken_catalogue PRIVATE -finput-charset=UTF-8 -fexec-charset=UTF-8)

add_executable(brisken_catalogue_tests tests/catalogue_test.cpp)
target_link_libraries(brisken_catalogue_tests PRIVATE brisken_catalogue Qt6::Core GTest::gtest_main)
set_target_properties(brisken_catalogue_tests PROPERTIES AUTOMOC OFF)
gtest_discover_tests(brisken_catalogue_tests)
