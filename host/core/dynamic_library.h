// A loaded shared library (dlopen on Linux, LoadLibrary on Windows).
#ifndef SEHOST_DYNAMIC_LIBRARY_H
#define SEHOST_DYNAMIC_LIBRARY_H

#include <memory>
#include <string>

namespace sehost {

class DynamicLibrary {
public:
  // Answers null and sets `error` when the file cannot be loaded.
  static std::unique_ptr<DynamicLibrary> Open(const std::string &path, std::string &error);
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary &) = delete;
  DynamicLibrary &operator=(const DynamicLibrary &) = delete;

  void *Symbol(const char *name) const;

private:
  explicit DynamicLibrary(void *handle) : m_handle(handle) {}
  void *m_handle;
};

} // namespace sehost

#endif
