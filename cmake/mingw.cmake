# Cross-compiles for Windows with mingw-w64's POSIX-threads compilers.
# VANTO_MINGW_ARCH picks the target: x86_64 (the default) or i686.
#
# CMake reads this file again for every try-compile project, which sees
# neither the outer cache nor its -D options: the choice reaches those through
# CMAKE_TRY_COMPILE_PLATFORM_VARIABLES, with the environment as a fallback.
if(NOT VANTO_MINGW_ARCH)
  if(DEFINED ENV{VANTO_MINGW_ARCH})
    set(VANTO_MINGW_ARCH "$ENV{VANTO_MINGW_ARCH}")
  else()
    set(VANTO_MINGW_ARCH x86_64)
  endif()
endif()
if(NOT VANTO_MINGW_ARCH MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "VANTO_MINGW_ARCH must be x86_64 or i686, not '${VANTO_MINGW_ARCH}'")
endif()
set(VANTO_MINGW_ARCH "${VANTO_MINGW_ARCH}" CACHE STRING "mingw-w64 target architecture: x86_64 or i686")
set_property(CACHE VANTO_MINGW_ARCH PROPERTY STRINGS x86_64 i686)
set(ENV{VANTO_MINGW_ARCH} "${VANTO_MINGW_ARCH}")
if(NOT VANTO_MINGW_ARCH IN_LIST CMAKE_TRY_COMPILE_PLATFORM_VARIABLES)
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTO_MINGW_ARCH)
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VANTO_MINGW_ARCH})
set(CMAKE_C_COMPILER ${VANTO_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTO_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${VANTO_MINGW_ARCH}-w64-mingw32-windres)
# Libraries, headers and packages come from the mingw-w64 tree only, so that
# none of the build machine's own (Linux) ones are picked up.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTO_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
