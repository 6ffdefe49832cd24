// Writes an Ogg stream to a byte sink, giving every page the same chosen serial
// number (with its checksum made anew). libsndfile picks the serial from the
// clock, so without this two renders of one patch would differ.
#ifndef SEHOST_OGG_PAGE_WRITER_H
#define SEHOST_OGG_PAGE_WRITER_H

#include "audio_byte_sink.h"

#include <cstdint>
#include <vector>

namespace sehost {

class OggPageWriter {
public:
  OggPageWriter(ByteSink &out, uint32_t serial) : m_out(out), m_serial(serial) {}
  // Takes the next bytes of the stream, in pieces of any size; whole pages
  // are written out as they complete. False once writing has failed.
  bool Write(const void *data, size_t size);
  // Bytes taken so far.
  uint64_t Position() const { return m_taken; }
  // True if every byte taken has been written: no page was left incomplete.
  bool Finished() const { return !m_failed && m_page.empty(); }
  // The errno of the failed write, or 0.
  int Error() const { return m_out.Error(); }

private:
  bool FlushCompletePages();
  ByteSink &m_out;
  uint32_t m_serial;
  std::vector<unsigned char> m_page; // bytes of the page being gathered
  uint64_t m_taken = 0;
  bool m_failed = false;
};

// The Ogg page checksum (CRC-32, polynomial 0x04c11db7, not reflected).
uint32_t OggChecksum(const unsigned char *data, size_t size);

} // namespace sehost

#endif
