# The test programs: the posix-thread compilers, because GoogleTest needs
# std::mutex, which the win32-thread ones lack. Their threads library is
# linked into every program, so Brasswick.scr is built with
# mingw-i686-win32.cmake instead.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(BRASSWICK_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
