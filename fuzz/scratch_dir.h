// Process-wide helpers of the fuzz targets: a scratch folder removed at exit,
// and the folder of the plugins under test.
#ifndef SE_FUZZ_SCRATCH_DIR_H
#define SE_FUZZ_SCRATCH_DIR_H

#include <string>

namespace sefuzz {

// A fresh folder for this process under $TMPDIR (or /tmp), removed at a normal exit.
const std::string &ScratchDir();

// $SE_PLUGIN_DIR, else the plugin folder of the build the target belongs to.
std::string PluginDir();

} // namespace sefuzz

#endif
