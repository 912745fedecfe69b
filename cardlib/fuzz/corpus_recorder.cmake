# The recorder of the whole-library fuzz targets' seed corpus (a normal
# build tool: the library against the scripted PC/SC fake and the virtual
# card). Its run over every profile is also a test: the operations check
# every record they get back from the sound cards.
#   nimbrel-record-card-stack sim/profiles cardlib/fuzz/corpus/fuzz_card_stack
set(card_stack_dir ${CMAKE_CURRENT_LIST_DIR}/card_stack)
add_executable(nimbrel-record-card-stack
  ${card_stack_dir}/record_corpus_main.cpp
  ${card_stack_dir}/card_stack_run.cpp)
target_include_directories(nimbrel-record-card-stack PRIVATE ${card_stack_dir})
target_link_libraries(nimbrel-record-card-stack PRIVATE nimbrel_core fake_pcsc simcard)
add_test(NAME nimbrel_card_stack_recording
  COMMAND nimbrel-record-card-stack ${PROJECT_SOURCE_DIR}/sim/profiles
          ${CMAKE_CURRENT_BINARY_DIR}/card_stack_corpus)
