// Writes the bundle's Turtle files from the registered plugin definitions:
// manifest.ttl, one <plugin>.ttl per plugin and presets.ttl. Choice ports
// take their range, default and item texts from the module's own pin list,
// read through the module's C interface.
#ifndef SE_LV2_TTL_WRITER_H
#define SE_LV2_TTL_WRITER_H

#include <string>

namespace se_lv2 {

// The file a plugin is described in: its URI's last part plus ".ttl".
std::string PluginTtlName(const char *uri);

// Writes the files into `dir`; `binary` is the library's file name. Answers
// an empty string, or what is wrong (a port or preset the tables get wrong).
std::string WriteBundle(const std::string &dir, const std::string &binary);

} // namespace se_lv2

#endif // SE_LV2_TTL_WRITER_H
