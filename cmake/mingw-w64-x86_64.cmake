# Cross-builds the Windows brain (pbrain-quoll.exe) with Debian's mingw-w64 compilers:
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix thread model gives the C++ runtime its std::mutex (the logging library needs it);
# everything is linked statically, so the .exe needs no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUOLL_MINGW_PREFIX x86_64-w64-mingw32)
find_program(QUOLL_MINGW_CXX ${QUOLL_MINGW_PREFIX}-g++-posix)
if(NOT QUOLL_MINGW_CXX)
  message(FATAL_ERROR "${QUOLL_MINGW_PREFIX}-g++-posix is missing: the Windows build needs the "
    "mingw-w64 cross compiler (Debian: g++-mingw-w64-x86-64)")
endif()
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
elseif(QUOLL_REQUIRE_ALL_TESTS)
  message(FATAL_ERROR "Wine is missing: the Windows tests run under it (Debian: wine64)")
endif()
