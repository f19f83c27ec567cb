// The failure sweeps' hook on the heap. Linked with --wrap for each form of
// operator new, the calls of the code linked beside it (the module's own
// code and the standard library templates it instantiates: a growing vector,
// a thread's state) arrive here first; while a sweep is armed each one is
// counted, and the chosen one fails as the system's new does when memory
// runs out. The standard library's compiled parts keep the plain call.
#include "platform/fault_injection.h"

#include <cstddef>
#include <new>

extern "C" {
void* __real__Znwm(std::size_t size);
void* __real__Znam(std::size_t size);
void* __real__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag) noexcept;
void* __real__ZnamRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag) noexcept;

void* __wrap__Znwm(std::size_t size) {
    if (failsNow(FailurePoint::heapAllocation)) throw std::bad_alloc();
    return __real__Znwm(size);
}
void* __wrap__Znam(std::size_t size) {
    if (failsNow(FailurePoint::heapAllocation)) throw std::bad_alloc();
    return __real__Znam(size);
}
void* __wrap__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag) noexcept {
    if (failsNow(FailurePoint::heapAllocation)) return nullptr;
    return __real__ZnwmRKSt9nothrow_t(size, tag);
}
void* __wrap__ZnamRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag) noexcept {
    if (failsNow(FailurePoint::heapAllocation)) return nullptr;
    return __real__ZnamRKSt9nothrow_t(size, tag);
}
}
