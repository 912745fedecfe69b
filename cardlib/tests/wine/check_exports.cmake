# The export table of a built DLL, read from the host with objdump, must hold
# exactly the names its callers bind to: stdcall-decorated, four of them in
# their type-encoded form, and nothing else.
#   cmake -DOBJDUMP=... -DDLL=.../Nimbrel.dll -DLIBRARY=nimbrel -P check_exports.cmake
cmake_minimum_required(VERSION 3.25)
set(expected_nimbrel
  _Quarn_IsCardExist@0 _Quarn_Connect@4 _Quarn_ConnectAssignReader@8 _Quarn_DisConnect@4
  _Quarn_GetStatusWord@0 _Quarn_IsCDMA_RUIM@4 _Quarn_Is3G_UIM@4 ?Quarn_IsPHS_SIM@@YGJK@Z
  _Quarn_OpenPhoneBook@8 _Quarn_ReadPhoneBook@16 _Quarn_WritePhoneBook@16
  _Quarn_OpenLastNumDialledBook@8 _Quarn_ReadLastNumDialledBook@16
  _Quarn_WriteLastNumDialledBook@12 _Quarn_OpenUISMPhoneBook@8 _Quarn_SelectADN@8
  _Quarn_OpenSMSBook@8 _Quarn_OpenUSIMSMSBook@8 _Quarn_ReadSMSBook@16 _Quarn_WriteSMSBook@16
  _Quarn_OpenCDMASMSBook@8 _Quarn_ReadCDMASMSBook@16 _Quarn_WriteCDMASMSBook@16
  ?Quarn_OpenPHSSMSBook@@YGJKPAU_FILE_INFO@@@Z
  ?Quarn_ReadPHSSMSBook@@YGJKPAU_FILE_INFO@@PAU_SMS_ITEM@@H@Z
  ?Quarn_WritePHSSMSBook@@YGJKPAU_FILE_INFO@@PAU_SMS_ITEM@@H@Z
  _Quarn_VerifySIMCHV@12 _Quarn_EnableSIMCHV@12 _Quarn_DisableSIMCHV@12 _Quarn_ChangeSIMCHV@20
  _Quarn_UnBlockSIMCHV@20 _Quarn_GetSIMCardInfo@8 _Quarn_GetUSIMCardInfo@8 _Quarn_GetIMSI@8
  _Quarn_GetSIMFileMapSize@8 _Quarn_GetUSIMFileMapSize@8)
set(expected_wendrill _MultiCardRWTest@4 _MultiCardPreRead@4)
# Beside WinSCard only system DLLs: the C and C++ runtimes are linked in.
set(allowed_imports KERNEL32.dll msvcrt.dll WinSCard.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(names "")
set(imports "")
set(in_table FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_table TRUE)
  elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND names "${CMAKE_MATCH_1}")
  elseif(in_table)
    set(in_table FALSE)
  endif()
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    list(APPEND imports "${CMAKE_MATCH_1}")
  endif()
endforeach()

set(want ${expected_${LIBRARY}})
list(SORT want)
list(SORT names)
if(NOT names STREQUAL want)
  set(missing ${want})
  list(REMOVE_ITEM missing ${names})
  set(extra ${names})
  list(REMOVE_ITEM extra ${want})
  message(FATAL_ERROR "${DLL}: export table differs\n  missing: ${missing}\n  extra: ${extra}")
endif()
foreach(import IN LISTS imports)
  if(NOT import IN_LIST allowed_imports)
    message(FATAL_ERROR "${DLL} imports ${import}")
  endif()
endforeach()
list(LENGTH names count)
message(STATUS "${DLL}: ${count} exports as expected; imports ${imports}")
