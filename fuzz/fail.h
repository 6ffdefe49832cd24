// Ends a fuzz run on a failed check. The message goes to standard error and,
// as a sanitizer summary line, to the report stream the fuzzer keeps when it
// closes the target's standard error (-close_fd_mask).
#ifndef SE_FUZZ_FAIL_H
#define SE_FUZZ_FAIL_H

#include <sanitizer/common_interface_defs.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace sefuzz {

[[noreturn]] __attribute__((format(printf, 1, 2))) inline void Fail(const char *format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fprintf(stderr, "%s\n", text);
  __sanitizer_report_error_summary(text);
  std::abort();
}

} // namespace sefuzz

#endif
