# Cross build of the Windows console program with MinGW-w64 (i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
