// The memory of the library's table store.
#ifndef WAVETABLE_STORE_MEMORY_H
#define WAVETABLE_STORE_MEMORY_H

#include "wavetable_generator/wave_table_store.h"

namespace wavetable {

// Zeroed memory for one store, taken at the first call and kept while the
// library stays loaded.
// On Linux the pages are mapped and provided in one go, as huge pages where
// the system allows, so that the first build does not stop at a page fault
// for every 4 KiB it writes. Elsewhere, or when the mapping is refused, it is
// a static array (pages provided on first touch, as the system does).
WaveTableStore *AllocateStore();

} // namespace wavetable

#endif // WAVETABLE_STORE_MEMORY_H
