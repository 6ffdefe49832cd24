#include "ogg_page_writer.h"

#include <array>

namespace sehost {
namespace {

// The fixed part of a page header, then one lacing value per segment.
constexpr size_t kHeaderSize = 27;
constexpr size_t kSerialAt = 14;
constexpr size_t kChecksumAt = 22;
constexpr size_t kSegmentsAt = 26;

constexpr std::array<uint32_t, 256> MakeChecksumTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i << 24;
    for (int bit = 0; bit < 8; ++bit)
      r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
    table[i] = r;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kChecksumTable = MakeChecksumTable();

void PutLittleEndian(unsigned char *at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    at[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

uint32_t OggChecksum(const unsigned char *data, size_t size) {
  uint32_t crc = 0;
  for (size_t i = 0; i < size; ++i)
    crc = (crc << 8) ^ kChecksumTable[((crc >> 24) ^ data[i]) & 0xff];
  return crc;
}

bool OggPageWriter::Write(const void *data, size_t size) {
  if (m_failed)
    return false;
  const auto *bytes = static_cast<const unsigned char *>(data);
  m_page.insert(m_page.end(), bytes, bytes + size);
  m_taken += size;
  return FlushCompletePages();
}

bool OggPageWriter::FlushCompletePages() {
  size_t start = 0;
  while (m_page.size() - start >= kHeaderSize) {
    unsigned char *page = m_page.data() + start;
    const size_t segments = page[kSegmentsAt];
    if (m_page.size() - start < kHeaderSize + segments)
      break;
    size_t size = kHeaderSize + segments;
    for (size_t i = 0; i < segments; ++i)
      size += page[kHeaderSize + i];
    if (m_page.size() - start < size)
      break;
    PutLittleEndian(page + kSerialAt, m_serial);
    PutLittleEndian(page + kChecksumAt, 0);
    PutLittleEndian(page + kChecksumAt, OggChecksum(page, size));
    if (!m_out.Write(page, size)) {
      m_failed = true;
      return false;
    }
    start += size;
  }
  m_page.erase(m_page.begin(), m_page.begin() + static_cast<std::ptrdiff_t>(start));
  return true;
}

} // namespace sehost
