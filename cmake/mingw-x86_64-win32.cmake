# The 64-bit twin's Brasswick.scr, built as mingw-i686-win32.cmake builds the
# one that ships.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(BRASSWICK_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
