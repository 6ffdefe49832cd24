// Built by the test layers_core_sees_no_patch, which passes when this file
// does not compile: a target that links only the host core must not reach
// the patch layer.
#include "host.h"
#include "patch.h"
