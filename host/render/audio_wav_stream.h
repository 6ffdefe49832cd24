// The head of a WAV file whose length is not known when it starts, as programs
// that write WAV into a pipe make it: the RIFF and data sizes are 0xFFFFFFFF,
// which readers take as "until the data ends". The samples follow it as they
// come, little-endian, with no chunk after them.
#ifndef SEHOST_AUDIO_WAV_STREAM_H
#define SEHOST_AUDIO_WAV_STREAM_H

#include <cstdint>
#include <vector>

namespace sehost {

// Integer samples of `bits` (16 or 24) or 32-bit floats; more than two
// channels are written in the extensible form, which names the sample type by
// its GUID.
std::vector<unsigned char> WavStreamHeader(int channels, int sample_rate, int bits, bool is_float);

// The size fields a stream header carries.
inline constexpr uint32_t kWavUnknownSize = 0xFFFFFFFFu;

} // namespace sehost

#endif
