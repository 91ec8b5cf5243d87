# What the two mingw-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR and
# TRANCHOR_MINGW_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)
# The "-posix" compilers: GoogleTest needs std::mutex, which the "-win32" ones lack; their
# thread library is linked statically like the rest. GoogleTest's project also needs C.
foreach(suffix -posix "")
  find_program(TRANCHOR_MINGW_CXX ${TRANCHOR_MINGW_TRIPLET}-g++${suffix})
  find_program(TRANCHOR_MINGW_CC ${TRANCHOR_MINGW_TRIPLET}-gcc${suffix})
endforeach()
if(NOT TRANCHOR_MINGW_CXX OR NOT TRANCHOR_MINGW_CC)
  message(FATAL_ERROR "${TRANCHOR_MINGW_TRIPLET}-g++ not found")
endif()
set(CMAKE_CXX_COMPILER ${TRANCHOR_MINGW_CXX})
set(CMAKE_C_COMPILER ${TRANCHOR_MINGW_CC})
set(CMAKE_RC_COMPILER ${TRANCHOR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TRANCHOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A program that runs on its own: no MinGW run-time DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TRANCHOR_WINE wine)
  if(TRANCHOR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TRANCHOR_WINE})
  endif()
endif()
