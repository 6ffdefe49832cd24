// Which part of an output buffer holds a settled value.
//
// A settled routine writes one constant value (silence, or a frozen sample)
// and then asks the host for sleep (HRQ_SLEEP). Asleep, the module is not
// called and its buffer keeps what it holds, so the routine asks only once
// every index the host may read holds the value: 0 up to the largest block
// size in force since open (SEModule_base::LargestBlockSize). While the host
// runs shorter blocks the routine stays awake and writes the value over each
// stretch it is handed, never outside it.
#ifndef SE_SETTLED_OUTPUT_H
#define SE_SETTLED_OUTPUT_H

#include <cstdint>

namespace se {

class SettledOutput {
public:
  // A new value: no index holds it yet.
  void Restart() { m_filled = 0; }
  // The stretch [first, first + count) now holds the value.
  void Wrote(int32_t first, int32_t count) {
    if (first <= m_filled && first + count > m_filled)
      m_filled = first + count;
  }
  // True once every index below `extent` holds the value.
  bool Fills(int32_t extent) const { return m_filled >= extent; }

private:
  int32_t m_filled = 0; // indices 0 .. m_filled - 1 hold the value
};

} // namespace se

#endif // SE_SETTLED_OUTPUT_H
