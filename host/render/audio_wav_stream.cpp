#include "audio_wav_stream.h"

#include <cstring>

namespace sehost {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The tail shared by the sub-format GUIDs of PCM and float samples.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

class Bytes {
public:
  void Tag(const char *four) { m_out.insert(m_out.end(), four, four + 4); }
  void U16(uint32_t v) { Little(v, 2); }
  void U32(uint32_t v) { Little(v, 4); }
  void Raw(const unsigned char *data, size_t n) { m_out.insert(m_out.end(), data, data + n); }
  std::vector<unsigned char> Take() { return std::move(m_out); }

private:
  void Little(uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      m_out.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  std::vector<unsigned char> m_out;
};

} // namespace

std::vector<unsigned char> WavStreamHeader(int channels, int sample_rate, int bits, bool is_float) {
  const bool extensible = channels > 2;
  const uint16_t format = is_float ? kFormatFloat : kFormatPcm;
  const uint32_t block_align = static_cast<uint32_t>(channels) * static_cast<uint32_t>(bits / 8);
  Bytes b;
  b.Tag("RIFF");
  b.U32(kWavUnknownSize);
  b.Tag("WAVE");
  b.Tag("fmt ");
  b.U32(extensible ? 40 : 16);
  b.U16(extensible ? kFormatExtensible : format);
  b.U16(static_cast<uint32_t>(channels));
  b.U32(static_cast<uint32_t>(sample_rate));
  b.U32(static_cast<uint32_t>(sample_rate) * block_align);
  b.U16(block_align);
  b.U16(static_cast<uint32_t>(bits));
  if (extensible) {
    b.U16(22);                          // the size of what follows
    b.U16(static_cast<uint32_t>(bits)); // valid bits per sample
    b.U32(0);                           // no speaker positions
    b.U16(format);                      // the sub-format GUID: the format code,
    b.Raw(kGuidTail, sizeof kGuidTail); // then the fixed tail
  }
  b.Tag("data");
  b.U32(kWavUnknownSize);
  return b.Take();
}

} // namespace sehost
