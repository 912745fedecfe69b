# The libFuzzer targets of every subsystem, and the list scripts/fuzz.sh runs.
#
# A target fuzz_X in <subsystem>/fuzz keeps its seed corpus in
# <subsystem>/fuzz/corpus/fuzz_X/. The list (build dir: fuzz_targets.txt) holds
# one line per target: name, executable, corpus folder, tab-separated.

# fuzz_NAME from SOURCES, linked with LIBS; the libraries are already
# instrumented by the top-level SUITE_FUZZ flags.
function(suite_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

set(SUITE_FUZZ_DIRS cardlib/fuzz tester/fuzz editor/fuzz)
foreach(dir ${SUITE_FUZZ_DIRS})
  add_subdirectory(${dir})
endforeach()

set(fuzz_lines "")
set(fuzz_all "")
foreach(dir ${SUITE_FUZZ_DIRS})
  get_directory_property(targets DIRECTORY ${dir} BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    if(t MATCHES "^fuzz_")
      list(APPEND fuzz_all ${t})
      string(APPEND fuzz_lines "${t}\t$<TARGET_FILE:${t}>\t${PROJECT_SOURCE_DIR}/${dir}/corpus/${t}\n")
    endif()
  endforeach()
endforeach()
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/fuzz_targets.txt CONTENT "${fuzz_lines}")
# Builds every target of the list.
add_custom_target(suite_fuzz_all DEPENDS ${fuzz_all})
