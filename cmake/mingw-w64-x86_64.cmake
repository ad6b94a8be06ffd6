# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The win32 thread model's compilers
# are named explicitly: Qt for mingw (tools/windows/build-qt.sh) is built with them, C++ code
# and Qt must agree on it, and the programs then need no winpthread DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVIRO_MINGW_PREFIX x86_64-w64-mingw32)

find_program(TAVIRO_MINGW_CC NAMES ${TAVIRO_MINGW_PREFIX}-gcc-win32)
find_program(TAVIRO_MINGW_CXX NAMES ${TAVIRO_MINGW_PREFIX}-g++-win32)
find_program(TAVIRO_MINGW_RC NAMES ${TAVIRO_MINGW_PREFIX}-windres)
if(NOT TAVIRO_MINGW_CC OR NOT TAVIRO_MINGW_CXX)
    message(FATAL_ERROR "${TAVIRO_MINGW_PREFIX}-g++-win32 not found "
                        "(Debian package g++-mingw-w64-x86-64-win32)")
endif()

set(CMAKE_C_COMPILER ${TAVIRO_MINGW_CC})
set(CMAKE_CXX_COMPILER ${TAVIRO_MINGW_CXX})
if(TAVIRO_MINGW_RC)
    set(CMAKE_RC_COMPILER ${TAVIRO_MINGW_RC})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TAVIRO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
