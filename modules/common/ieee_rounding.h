// The modules' arithmetic must round doubles as doubles and floats as floats
// on every build, so that every build computes the same bits. 32-bit x86
// builds therefore compute with SSE2 (the top-level CMakeLists.txt sets
// -msse2 -mfpmath=sse); the x87 unit would keep intermediate results in its
// wider registers. A source that depends on it includes this header.
#ifndef SE_COMMON_IEEE_ROUNDING_H
#define SE_COMMON_IEEE_ROUNDING_H

#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "32-bit x86 builds compute with SSE2: -msse2 -mfpmath=sse"
#endif

#endif // SE_COMMON_IEEE_ROUNDING_H
