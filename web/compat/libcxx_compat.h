// Forced into every file of the WebAssembly build (cmake/se_web.cmake): what
// the C++ library of the toolchain we build with (Debian's emscripten, whose
// libc++ predates some C++20 additions) lacks, supplied from the compiler's
// own builtins, so the sources need no branch of their own for it.
#ifndef SE_WEB_LIBCXX_COMPAT_H
#define SE_WEB_LIBCXX_COMPAT_H

#ifdef __cplusplus
#include <version>

#if !defined(__cpp_lib_bit_cast)
#include <type_traits>
namespace std {
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From &from) noexcept {
  return __builtin_bit_cast(To, from);
}
} // namespace std
#endif

#endif // __cplusplus
#endif // SE_WEB_LIBCXX_COMPAT_H
