// Built by the test layers_front_end_sees_no_oscillator_internals, which
// passes when this file does not compile: a front end that links the
// oscillator's public headers reaches its pin list but not the module's own
// headers.
#include "audio_oscillator/pins.h"
#include "oscillator_module.h"
