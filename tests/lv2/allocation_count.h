// Counts the allocations made while `g_counting` is set, in the test and in
// the plugin it loads (the program's operator new serves both). Under the
// address sanitizer its own allocator stays in place, nothing is counted and
// SE_COUNTS_ALLOCATIONS is left undefined. It replaces the program's operator
// new: include it in one source file of a test program only.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

static bool g_counting = false;
static int g_allocations = 0;

#if !defined(__SANITIZE_ADDRESS__)
void *operator new(size_t size) {
  if (g_counting)
    ++g_allocations;
  if (void *p = std::malloc(size > 0 ? size : 1))
    return p;
  throw std::bad_alloc();
}
// The replacement pair is malloc and free; GCC's check does not see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
#define SE_COUNTS_ALLOCATIONS 1
#endif
