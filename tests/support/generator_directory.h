// The table directory of a generator opened on its own in a host of the
// tests: the address its link output carries. The host keeps the library
// loaded, so the tables stay valid as long as the host lives.
#ifndef SE_TEST_GENERATOR_DIRECTORY_H
#define SE_TEST_GENERATOR_DIRECTORY_H

#include "host.h"
#include "plugin_path.h"

#include <cstddef>
#include <cstdint>

namespace setest {

// Floats from one table of the directory to the next, and in a waveform's
// block of 256 tables.
inline constexpr std::size_t kTableStride = 516;
inline constexpr std::size_t kBlockFloats = 256 * kTableStride;

inline const float *const *OpenGeneratorDirectory(sehost::Host &host) {
  const int gen = host.Add(host.Load(PluginPath("wavetable_generator")));
  host.Open();
  host.ProcessBlock();
  const auto link = *static_cast<const intptr_t *>(host.Pins(gen)[0].variable);
  return reinterpret_cast<const float *const *>(link);
}

} // namespace setest

#endif
