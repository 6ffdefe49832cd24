// What the processor offers beyond the build's own instruction set, for code
// compiled for a wider set (SE_LANES_ISA) that runs only where it is there.
// Reads what the compiler's runtime found at start-up: no lock, no system
// call, fit for the audio path. A set counts only where the operating system
// also keeps its registers.
#ifndef SE_COMMON_CPU_FEATURES_H
#define SE_COMMON_CPU_FEATURES_H

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SE_CPU_SUPPORTS(set) __builtin_cpu_supports(set)
#else
#define SE_CPU_SUPPORTS(set) false
#endif

namespace se_lanes {

inline bool CpuHasAvx() { return SE_CPU_SUPPORTS("avx"); }
// Integer lanes and gathers in AVX registers.
inline bool CpuHasAvx2() { return SE_CPU_SUPPORTS("avx2"); }

} // namespace se_lanes

#endif // SE_COMMON_CPU_FEATURES_H
