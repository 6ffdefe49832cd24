// One assertion facility for the framework's preconditions.
//
// A breach is a programming defect, never an answer to the host: the report
// names the condition as text and the source file, and execution goes on with
// the same answers a build without checks gives. Libraries built without
// SE_CHECKS compile the checks away entirely.
#ifndef SE_ASSERT_H
#define SE_ASSERT_H

namespace se {

// Writes one line "SE assertion failed: <condition> [<source>]" to standard error.
void ReportAssertion(const char *condition, const char *source) noexcept;

} // namespace se

#ifdef SE_CHECKS
#define SE_ASSERT(cond, text, source)                                                              \
  do {                                                                                             \
    if (!(cond))                                                                                   \
      ::se::ReportAssertion(text, source);                                                         \
  } while (0)
#else
#define SE_ASSERT(cond, text, source)                                                              \
  do {                                                                                             \
  } while (0)
#endif

#define SE_SRC_MODULE_BASE "sdk\\SEModule_base"
#define SE_SRC_PIN "sdk\\SEPin"

#endif // SE_ASSERT_H
