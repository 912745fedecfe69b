# Cross build of the Windows DLLs with MinGW-w64 (i686, posix threads: the
# win32-thread variant lacks std::thread and std::mutex). Programs run under
# Wine, which is also how ctest runs the tests of this tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SUITE_MINGW_PREFIX i686-w64-mingw32)

set(CMAKE_C_COMPILER ${SUITE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SUITE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SUITE_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${SUITE_MINGW_PREFIX}-dlltool)
set(CMAKE_OBJDUMP ${SUITE_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${SUITE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime goes into every image, so the DLLs import only KERNEL32,
# msvcrt and WinSCard.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)

find_program(SUITE_WINE wine)
if(SUITE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SUITE_WINE})
endif()
