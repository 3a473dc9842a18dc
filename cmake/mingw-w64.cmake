# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC (the posix threading model, which
# the Qt of ../shared/qt-mingw was built with). The Qt folder comes from KESS_QT_WINDOWS in the
# environment: an environment variable survives CMake's try-compile runs, a cache entry does not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_tc x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${_tc}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tc}-g++-posix)
set(CMAKE_RC_COMPILER  ${_tc}-windres)
set(CMAKE_AR           /usr/bin/${_tc}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${_tc}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${_tc})
if(DEFINED ENV{KESS_QT_WINDOWS})
  list(APPEND CMAKE_FIND_ROOT_PATH "$ENV{KESS_QT_WINDOWS}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The shared compiler cache (see ccache-env.sh) when the environment names one.
if(DEFINED ENV{CMAKE_CXX_COMPILER_LAUNCHER})
  set(CMAKE_CXX_COMPILER_LAUNCHER "$ENV{CMAKE_CXX_COMPILER_LAUNCHER}" CACHE STRING "")
endif()
