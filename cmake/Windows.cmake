# The Windows build: Nimbrel.dll and Wendrill.dll cross-compiled with
# MinGW-w64, and their tests, which ctest runs under Wine.
#
#   cmake -S . -B build-windows -G Ninja -DSUITE_WERROR=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# The DLLs land in build-windows/bin.
if(SUITE_SANITIZE OR SUITE_TSAN)
  message(FATAL_ERROR "The sanitizers are not available in the Windows build")
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)


# Tests run under Wine in a prefix of their own, with the test-only WinSCard
# bridge (cardlib/tests/wine) beside them in place of Wine's, which has no
# service behind it. Every test program goes through this wrapper.
set(SUITE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(SUITE_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
find_program(SUITE_WINE_PROGRAM wine)
file(WRITE ${SUITE_WINE_RUN} "#!/bin/sh
export WINEPREFIX='${SUITE_WINE_PREFIX}' WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES='winscard=n;mscoree,mshtml='
exec wine \"$@\"
")
file(CHMOD ${SUITE_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SUITE_WINE_RUN})

# The Linux build whose virtual card and pcscd helpers the sandbox runs.
set(SUITE_LINUX_BUILD_DIR ${PROJECT_SOURCE_DIR}/build CACHE PATH
  "Linux build tree with simcard-vpcd and pcsc-wait, for the pcscd tests")

find_package(Threads REQUIRED)
include(CTest)
include(GoogleTest)
if(BUILD_TESTING)
  # GoogleTest from Debian's source package, built with this toolchain.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # nlohmann-json is header-only: its host headers, and nothing else of /usr/include.
  set(SUITE_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${SUITE_HOST_HEADERS})
  file(CREATE_LINK /usr/include/nlohmann ${SUITE_HOST_HEADERS}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${SUITE_HOST_HEADERS})

  # The Windows half of the bridge, as WinSCard.dll beside the test programs.
  add_library(winscard_bridge SHARED ${PROJECT_SOURCE_DIR}/cardlib/tests/wine/winscard_pe.cpp
    ${PROJECT_SOURCE_DIR}/cardlib/tests/wine/winscard.def)
  target_link_libraries(winscard_bridge PRIVATE ws2_32)
  set_target_properties(winscard_bridge PROPERTIES PREFIX "" OUTPUT_NAME winscard)
endif()

add_subdirectory(cardlib)
add_subdirectory(pretest)
