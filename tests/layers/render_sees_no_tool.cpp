// Built by the test layers_render_sees_no_tool, which passes when this file
// does not compile: a target that links the patch layer must not reach the
// command-line tool's headers.
#include "commands.h"
#include "patch.h"
