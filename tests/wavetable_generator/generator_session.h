// Generator instances opened in our host, and the tables as an oscillator
// reaches them: through the value on the link pin.
#ifndef WAVETABLE_GENERATOR_SESSION_H
#define WAVETABLE_GENERATOR_SESSION_H

#include "host.h"
#include "plugin_path.h"
#include "wavetable_generator/pins.h"

#include <cstdint>
#include <vector>

namespace wttest {

// The link pin, by the index of the generator's public header.
using wavetable::kLinkPin;

struct GeneratorSession {
  sehost::Host host;
  std::vector<int> ids;

  explicit GeneratorSession(int instances) {
    auto &library = host.Load(setest::PluginPath("wavetable_generator"));
    for (int i = 0; i < instances; ++i) {
      ids.push_back(host.Add(library));
      host.RecordRequests(ids.back(), true);
    }
    host.Open();
  }

  // The value in the link output's variable of instance i.
  intptr_t Link(int i = 0) const {
    return *static_cast<const intptr_t *>(host.Pins(ids[i])[kLinkPin].variable);
  }
  float *const *Directory(int i = 0) const { return reinterpret_cast<float *const *>(Link(i)); }
};

} // namespace wttest

#endif // WAVETABLE_GENERATOR_SESSION_H
