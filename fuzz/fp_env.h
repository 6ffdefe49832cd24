// The floating-point environment a plugin call must leave as it found it:
// rounding mode, flush-to-zero and denormals-are-zero, exception masks (SSE
// control register) and the x87 control word. The sticky exception flags are
// results, not settings, and are left out.
#ifndef SE_FUZZ_FP_ENV_H
#define SE_FUZZ_FP_ENV_H

#include "fail.h"

#include <cfenv>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#define SE_FUZZ_X86 1
#endif

namespace sefuzz {

struct FpEnv {
  int rounding = 0;
  uint32_t mxcsr = 0;
  uint16_t x87 = 0;

  static FpEnv Current() {
    FpEnv e;
    e.rounding = std::fegetround();
#ifdef SE_FUZZ_X86
    e.mxcsr = _mm_getcsr() & ~0x3Fu; // bits 0-5: the sticky exception flags
    __asm__ volatile("fnstcw %0" : "=m"(e.x87));
#endif
    return e;
  }
  bool operator==(const FpEnv &o) const {
    return rounding == o.rounding && mxcsr == o.mxcsr && x87 == o.x87;
  }
};

// Stops the run (a crash for the fuzzer) when the environment differs from `before`.
inline void CheckFpEnv(const FpEnv &before, const char *call) {
  const FpEnv now = FpEnv::Current();
  if (now == before)
    return;
  Fail("floating-point environment changed by %s: rounding %d -> %d, MXCSR %#x -> %#x, "
       "x87 control %#x -> %#x",
       call, before.rounding, now.rounding, static_cast<unsigned>(before.mxcsr),
       static_cast<unsigned>(now.mxcsr), static_cast<unsigned>(before.x87),
       static_cast<unsigned>(now.x87));
}

} // namespace sefuzz

#endif
