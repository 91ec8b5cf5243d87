# Cross build for 32-bit Windows with mingw-w64 (Debian package g++-mingw-w64-i686).
# Test programs run through Wine only where Wine can run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TRANCHOR_MINGW_TRIPLET i686-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
