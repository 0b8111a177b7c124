# A 64-bit twin of the test build, for kernels that run no 32-bit program
# (Wine runs a 32-bit Windows program as a 32-bit Linux process); what ships
# is the 32-bit build. Posix-thread compilers, as in mingw-i686.cmake.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(BRASSWICK_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
