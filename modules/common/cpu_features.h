// What the processor offers beyond the build's own instruction set, for code
// compiled for a wider set (SE_LANES_ISA) that runs only where it is there.
// Reads what the compiler's runtime found at start-up: no lock, no system
// call, fit for the audio path.
#ifndef SE_COMMON_CPU_FEATURES_H
#define SE_COMMON_CPU_FEATURES_H

namespace se_lanes {

// AVX instructions, and an operating system that keeps their registers.
inline bool CpuHasAvx() {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
  return __builtin_cpu_supports("avx");
#else
  return false;
#endif
}

// AVX2 (integer lanes and gathers in AVX registers), with the same proviso.
inline bool CpuHasAvx2() {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

} // namespace se_lanes

#endif // SE_COMMON_CPU_FEATURES_H
