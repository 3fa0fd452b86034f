# Checks that a Windows executable can be dropped into a folder on its own: it imports no DLL
# beyond those that come with Windows, and it reserves at least MIN_STACK bytes of stack for its
# main thread.
#   cmake -DEXE=pbrain-quoll.exe -DOBJDUMP=x86_64-w64-mingw32-objdump -DMIN_STACK=8388608 -P this
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()

set(system_dlls kernel32.dll msvcrt.dll ucrtbase.dll advapi32.dll user32.dll shell32.dll
  ws2_32.dll bcrypt.dll ntdll.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
foreach(import ${imports})
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${EXE} needs ${dll}, which Windows does not have")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

string(REGEX MATCH "SizeOfStackReserve[ \t]+([0-9a-fA-F]+)" found "${dump}")
if(NOT found)
  message(FATAL_ERROR "no stack reserve found in ${EXE}")
endif()
math(EXPR reserve "0x${CMAKE_MATCH_1}")
if(reserve LESS MIN_STACK)
  message(FATAL_ERROR "${EXE} reserves ${reserve} bytes of stack, less than ${MIN_STACK}")
endif()
message(STATUS "stack reserve ${reserve} bytes")
