// The fuzzer's bytes read as the values the targets need. Past the end every
// read answers 0, so any input is a whole program.
#ifndef SE_FUZZ_BYTE_READER_H
#define SE_FUZZ_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace sefuzz {

class ByteReader {
public:
  // `specials`: the values Value() answers with most often (edges of ranges,
  // non-finite numbers) beside short fixed-point and raw float bits.
  ByteReader(const uint8_t *data, size_t size, std::span<const float> specials)
      : m_data(data), m_size(size), m_specials(specials) {}
  bool Empty() const { return m_at >= m_size; }
  uint8_t U8() { return m_at < m_size ? m_data[m_at++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(U8() | U8() << 8); }
  uint32_t U32() { return U16() | static_cast<uint32_t>(U16()) << 16; }
  int32_t Int() {
    switch (U8() % 8) {
    case 0: return 0;
    case 1: return 1;
    case 2: return -1;
    case 3: return INT32_MAX;
    case 4: return INT32_MIN;
    case 5: return U8();
    default: return static_cast<int32_t>(U32());
    }
  }
  float Value() {
    const uint8_t s = U8();
    switch (s % 4) {
    case 2: return static_cast<int16_t>(U16()) / 16384.0f;
    case 3: {
      const uint32_t bits = U32();
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
    default: return m_specials[s / 4 % m_specials.size()];
    }
  }

private:
  const uint8_t *m_data;
  size_t m_size;
  size_t m_at = 0;
  std::span<const float> m_specials;
};

} // namespace sefuzz

#endif
