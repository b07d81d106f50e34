// Heap operators for the product binaries, which link no C++ library: every
// allocation is the C runtime DLL's malloc (crtdll.dll's, shared by the
// shipped modules), so blocks may be freed by another module.
#include <stdlib.h>
#include <new>

void* operator new(size_t n) {
    return malloc(n ? n : 1);
}

void* operator new(size_t n, const std::nothrow_t&) noexcept {
    return malloc(n ? n : 1);
}

void* operator new[](size_t n) {
    return malloc(n ? n : 1);
}

void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return malloc(n ? n : 1);
}

void operator delete(void* p) noexcept {
    free(p);
}

void operator delete(void* p, size_t) noexcept {
    free(p);
}

void operator delete[](void* p) noexcept {
    free(p);
}

void operator delete[](void* p, size_t) noexcept {
    free(p);
}

// The tag object itself, so that no C++ library is needed at run time.
namespace std {
const nothrow_t nothrow{};
}
