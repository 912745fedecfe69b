# Writes the export files of one library from cmake/exports.txt:
#   suite_export_files(LIBRARY nimbrel DLL Nimbrel.dll
#                      VERSION_SCRIPT <out>   # Linux: exactly these names global
#                      DEF <out>              # Windows linker: export name = stdcall symbol
#                      IMPORT_DEF <out>       # dlltool: stdcall symbol -> export name
#                      NAMES <var>)           # "export-name" list for checks
set(SUITE_EXPORT_TABLE ${CMAKE_CURRENT_LIST_DIR}/exports.txt)

# Rewrites a file only when its text changes, so links do not rerun needlessly.
function(suite_write_if_changed path text)
  file(WRITE ${path}.new "${text}")
  file(COPY_FILE ${path}.new ${path} ONLY_IF_DIFFERENT)
  file(REMOVE ${path}.new)
endfunction()

function(suite_export_files)
  cmake_parse_arguments(ARG "" "LIBRARY;DLL;VERSION_SCRIPT;DEF;IMPORT_DEF;NAMES" "" ${ARGN})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SUITE_EXPORT_TABLE})
  file(STRINGS ${SUITE_EXPORT_TABLE} lines)
  set(map "{\n  global:\n")
  set(def "EXPORTS\n")
  set(imp "EXPORTS\n")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*(#|$)")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(LENGTH fields count)
    if(count LESS 3 OR count GREATER 4)
      message(FATAL_ERROR "exports.txt: malformed line '${line}'")
    endif()
    list(GET fields 0 library)
    if(NOT library STREQUAL ARG_LIBRARY)
      continue()
    endif()
    list(GET fields 1 function)
    list(GET fields 2 bytes)
    # The i386 C symbol of a stdcall function is _function@bytes; .def files
    # name it without the leading underscore.
    set(symbol "${function}@${bytes}")
    if(count EQUAL 4)
      list(GET fields 3 exported)
    else()
      set(exported "_${symbol}")
    endif()
    string(APPEND map "    ${function};\n")
    string(APPEND def "  ${exported} = ${symbol}\n")
    string(APPEND imp "  ${symbol} == ${exported}\n")
    list(APPEND names "${exported}")
  endforeach()
  string(APPEND map "  local:\n    *;\n};\n")
  if(ARG_VERSION_SCRIPT)
    suite_write_if_changed(${ARG_VERSION_SCRIPT} "${map}")
  endif()
  if(ARG_DEF)
    suite_write_if_changed(${ARG_DEF} "LIBRARY ${ARG_DLL}\n${def}")
  endif()
  if(ARG_IMPORT_DEF)
    suite_write_if_changed(${ARG_IMPORT_DEF} "LIBRARY ${ARG_DLL}\n${imp}")
  endif()
  if(ARG_NAMES)
    set(${ARG_NAMES} "${names}" PARENT_SCOPE)
  endif()
endfunction()

# Turns a SHARED target into a Windows DLL with the table's export names:
#   suite_windows_dll(<target> LIBRARY <table name> DLL <File.dll>
#                     [CORE <static archive linked whole>] NAMES_VAR <var>)
# Callers link <target>_import, an import library that dlltool writes from
# the second .def: the one the linker writes binds callers to wrong names.
function(suite_windows_dll target)
  cmake_parse_arguments(ARG "" "LIBRARY;DLL;CORE;NAMES_VAR" "" ${ARGN})
  set(dir ${CMAKE_CURRENT_BINARY_DIR})
  suite_export_files(LIBRARY ${ARG_LIBRARY} DLL ${ARG_DLL}
    DEF ${dir}/${ARG_LIBRARY}.def IMPORT_DEF ${dir}/${ARG_LIBRARY}-import.def NAMES names)
  get_filename_component(stem ${ARG_DLL} NAME_WE)
  target_sources(${target} PRIVATE ${dir}/${ARG_LIBRARY}.def)
  if(ARG_CORE)
    target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${ARG_CORE}>")
  endif()
  target_link_libraries(${target} PRIVATE winscard)
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${stem}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    LINK_DEPENDS ${dir}/${ARG_LIBRARY}.def)

  set(implib ${dir}/lib${ARG_LIBRARY}-import.a)
  add_custom_command(OUTPUT ${implib}
    COMMAND ${CMAKE_DLLTOOL} -d ${dir}/${ARG_LIBRARY}-import.def -l ${implib}
    DEPENDS ${dir}/${ARG_LIBRARY}-import.def
    COMMENT "Import library of ${ARG_DLL}")
  add_custom_target(${target}_implib DEPENDS ${implib})
  add_library(${target}_import INTERFACE)
  target_link_libraries(${target}_import INTERFACE ${implib})
  get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
  target_include_directories(${target}_import INTERFACE ${includes})
  add_dependencies(${target}_import ${target}_implib ${target})
  set(${ARG_NAMES_VAR} "${names}" PARENT_SCOPE)
endfunction()
