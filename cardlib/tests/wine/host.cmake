# Host half of the WinSCard bridge that the Windows build's pcscd tests use
# under Wine (cmake/Windows.cmake); built here because it runs on Linux.
add_executable(winscard-bridge-host ${CMAKE_CURRENT_LIST_DIR}/bridge_host.cpp)
target_link_libraries(winscard-bridge-host PRIVATE PkgConfig::PCSC Threads::Threads)
