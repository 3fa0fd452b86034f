# Cross-builds the Windows brain (pbrain-quoll.exe) with Debian's mingw-w64 compilers:
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix thread model gives the C++ runtime its std::mutex (the logging library needs it);
# everything is linked statically, so the .exe needs no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUOLL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUOLL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUOLL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUOLL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUOLL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs built here run under Wine: CTest and test discovery start them through it.
find_program(QUOLL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUOLL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUOLL_WINE})
endif()
