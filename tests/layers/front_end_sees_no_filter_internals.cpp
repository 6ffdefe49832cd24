// Built by the test layers_front_end_sees_no_filter_internals, which passes
// when this file does not compile: a front end that links the filter's public
// headers reaches its pin list but not the module's own headers.
#include "ladder_filter/pins.h"
#include "ladder_filter_module.h"
