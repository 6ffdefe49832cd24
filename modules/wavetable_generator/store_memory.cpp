#include "store_memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace wavetable {

namespace {

alignas(64) WaveTableStore g_fallback; // zero at load (static storage)

#if defined(__linux__)
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older kernels refuse it and the pages fault in
#endif

constexpr size_t kHugePage = size_t{2} << 20;

// The mapping lives as long as the library: unloading the library gives it
// back, as it gives back the library's static arrays.
struct Mapping {
  void *base = MAP_FAILED;
  size_t length = 0;
  Mapping() = default;
  Mapping(const Mapping &) = delete;
  Mapping &operator=(const Mapping &) = delete;
  ~Mapping() {
    if (base != MAP_FAILED)
      munmap(base, length);
  }
};
Mapping g_mapping;

WaveTableStore *MapStore() {
  // Whole huge pages, from a huge page boundary: reserve one more to align.
  const size_t length = (sizeof(WaveTableStore) + kHugePage - 1) / kHugePage * kHugePage;
  void *mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapped == MAP_FAILED)
    return nullptr;
  // Set in place: a temporary Mapping would unmap the pages as it is destroyed.
  g_mapping.base = mapped;
  g_mapping.length = length + kHugePage;
  const auto base = reinterpret_cast<uintptr_t>(mapped);
  void *store = reinterpret_cast<void *>((base + kHugePage - 1) & ~(kHugePage - 1));
  madvise(store, length, MADV_HUGEPAGE); // advice only: refused, small pages serve
  // All pages now, in one call, instead of one fault per page during the build.
  if (madvise(store, length, MADV_POPULATE_WRITE) != 0) {
    // Without it the pages fault in at first write, as they would anyway.
  }
  return static_cast<WaveTableStore *>(store);
}
#endif

} // namespace

WaveTableStore *AllocateStore() {
#if defined(__linux__)
  if (WaveTableStore *store = MapStore())
    return store;
#endif
  return &g_fallback;
}

} // namespace wavetable
