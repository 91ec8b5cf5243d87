# Cross build for 64-bit Windows with mingw-w64 (Debian package g++-mingw-w64-x86-64).
# The test programs run through Wine when it is installed.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TRANCHOR_MINGW_TRIPLET x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
