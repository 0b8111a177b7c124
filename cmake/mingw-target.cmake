# Cross build for Windows with MinGW-w64 for the processor that the toolchain
# file including this one names in BRASSWICK_MINGW_CPU (i686 or x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${BRASSWICK_MINGW_CPU})

set(CMAKE_RC_COMPILER ${BRASSWICK_MINGW_CPU}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BRASSWICK_MINGW_CPU}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the Windows test programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
