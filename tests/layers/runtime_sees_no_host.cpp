// Built by the test layers_runtime_sees_no_host, which passes when this file
// does not compile: the module runtime sits below every front end and
// reaches none of them, the host core included.
#include "module_runner.h"
#include "plugin_library.h"
