#pragma once
// Replaces the program's array allocations so that a test can make the large ones fail,
// as they may on the handset. Include in exactly one file of a test program.
#include <atomic>
#include <cstdlib>
#include <new>

// ThreadSanitizer's runtime defines the array operators itself, so they cannot be replaced
// there: the tests that need failing allocations skip under it.
#if defined(__SANITIZE_THREAD__)
#define FAILALLOC_REPLACED 0
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define FAILALLOC_REPLACED 0
#endif
#endif
#ifndef FAILALLOC_REPLACED
#define FAILALLOC_REPLACED 1
#endif

namespace failalloc
{
inline constexpr bool kReplaced = FAILALLOC_REPLACED;
// While not 0, array allocations of this many bytes or more fail.
inline std::atomic<std::size_t> g_failFrom{0};
struct Scope
{
    explicit Scope(std::size_t bytes) { g_failFrom = bytes; }
    ~Scope() { g_failFrom = 0; }
};
inline void* Allocate(std::size_t size) noexcept
{
    const std::size_t limit = g_failFrom.load();
    return limit && size >= limit ? nullptr : std::malloc(size ? size : 1);
}
}  // namespace failalloc

#if FAILALLOC_REPLACED
void* operator new[](std::size_t size)
{
    if (void* p = failalloc::Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return failalloc::Allocate(size); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#endif
