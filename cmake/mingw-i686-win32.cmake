# Brasswick.scr: the win32-thread compilers link no threads library, whose
# imports (GetTickCount64, AddVectoredExceptionHandler, ...) would keep the
# program off Windows 9x and XP.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(BRASSWICK_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
