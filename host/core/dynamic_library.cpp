#include "dynamic_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sehost {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string &path, std::string &error) {
#if defined(_WIN32)
  HMODULE h = LoadLibraryA(path.c_str());
  if (h == nullptr) {
    error = "cannot load library (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(reinterpret_cast<void *>(h)));
#else
  // A path without a slash would make dlopen search the system folders.
  const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
  void *h = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    const char *why = dlerror();
    error = why != nullptr ? why : "cannot load library";
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(h));
#endif
}

DynamicLibrary::~DynamicLibrary() {
#if defined(_WIN32)
  FreeLibrary(reinterpret_cast<HMODULE>(m_handle));
#else
  dlclose(m_handle);
#endif
}

void *DynamicLibrary::Symbol(const char *name) const {
#if defined(_WIN32)
  return reinterpret_cast<void *>(GetProcAddress(reinterpret_cast<HMODULE>(m_handle), name));
#else
  return dlsym(m_handle, name);
#endif
}

} // namespace sehost
