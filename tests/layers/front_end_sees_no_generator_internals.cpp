// Built by the test layers_front_end_sees_no_generator_internals, which
// passes when this file does not compile: a front end that links the
// generator's public headers reaches its pin list and its table build but not
// the module's own headers.
#include "generator_module.h"
#include "wavetable_generator/pins.h"
#include "wavetable_generator/wave_table_store.h"
