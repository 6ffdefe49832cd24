#include "se_assert.h"

#include <cstdio>

namespace se {

void ReportAssertion(const char *condition, const char *source) noexcept {
  std::fprintf(stderr, "SE assertion failed: %s [%s]\n", condition, source);
  std::fflush(stderr);
}

} // namespace se
