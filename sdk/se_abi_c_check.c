/* The binary interface compiles as C: a host written in C includes se_abi.h
 * alone. Compiled into every framework build (and so into every plugin, where it
 * adds no code), so each build variant checks it with its own C compiler. */
#include "se_abi.h"

/* A few facts a C host depends on, seen from C's side of the header. */
_Static_assert(sizeof(SETimedEvent) == (sizeof(void *) == 4 ? 24 : 32), "SETimedEvent size");
_Static_assert(sizeof(SEModuleRecord) == (sizeof(void *) == 4 ? 48 : 88), "SEModuleRecord size");
_Static_assert(offsetof(SEModuleRecord, host_data) == 8, "host_data offset");
_Static_assert(DT_INT32 == 8 && HRQ_PROCESS_CHANGED == 22 && GOP_CLOSE == 1, "codes");
