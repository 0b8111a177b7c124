// The library's own nothrow new calls the throwing one inside a handler,
// which would bring the whole exception runtime (and a name demangler) into
// a program that throws nothing. These replace it for the program alone.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
