#include "plugin_library.h"

#include "host_error.h"

#include <cstring>

namespace sehost {
namespace {

// Callback for the short-lived instance that lists the pins: it answers 0 to
// every request, as a host does for an instance it has not opened.
intptr_t SE_CDECL SilentHost(void *, int32_t, int32_t, int32_t, void *, float) { return 0; }

std::string Text(const char *s) { return s != nullptr ? std::string(s) : std::string(); }

// Longest pin list the host reads; a module that never answers false is faulty.
constexpr int kMaxPinList = 4096;

} // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string &path) {
  std::string error;
  auto library = DynamicLibrary::Open(path, error);
  if (!library)
    throw HostError(path + ": " + error);
  std::unique_ptr<PluginLibrary> p(new PluginLibrary());
  p->m_path = path;
  p->m_getProperties =
      reinterpret_cast<SEGetModulePropertiesFn>(library->Symbol("getModuleProperties"));
  p->m_makeModule = reinterpret_cast<SEMakeModuleFn>(library->Symbol("makeModule"));
  if (p->m_getProperties == nullptr || p->m_makeModule == nullptr)
    throw HostError(path + ": not a module library (getModuleProperties or makeModule missing)");
  p->m_library = std::move(library);
  p->Describe();
  return p;
}

std::unique_ptr<PluginLibrary> PluginLibrary::FromEntry(const std::string &name,
                                                        const se::PluginEntry &entry) {
  std::unique_ptr<PluginLibrary> p(new PluginLibrary());
  p->m_path = name;
  p->m_getProperties = entry.getModuleProperties;
  p->m_makeModule = entry.makeModule;
  if (p->m_getProperties == nullptr || p->m_makeModule == nullptr)
    throw HostError(name + ": not a module (an entry point is missing)");
  p->Describe();
  return p;
}

std::string PluginLibrary::NameOf(const std::string &path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void PluginLibrary::Describe() {
  SEModuleProperties props;
  std::memset(&props, 0, sizeof props);
  if (m_getProperties(0, &props) == 0)
    throw HostError(m_path + ": the library describes no module at index 0");
  m_description = {Text(props.name), Text(props.id), Text(props.about), props.sdk_version};

  void *record = m_makeModule(0, MT_DSP, &SilentHost, 0);
  if (record == nullptr)
    throw HostError(m_path + ": the library creates no DSP instance");
  auto *rec = static_cast<SEModuleRecord *>(record);
  m_pins = ReadPins(rec);
  rec->dispatcher(rec, DOP_CLOSE, 0, 0, nullptr, 0.0f);
  for (auto &pin : m_pins)
    pin.variable = nullptr; // belonged to the closed instance
}

std::vector<PinInfo> PluginLibrary::ReadPins(SEModuleRecord *rec) {
  std::vector<PinInfo> pins;
  int dsp = 0;
  for (int j = 0; j < kMaxPinList; ++j) {
    SEPinProperties pp;
    std::memset(&pp, 0, sizeof pp);
    if (rec->dispatcher(rec, DOP_PIN_PROPERTIES, j, 0, &pp, 0.0f) == 0)
      break;
    pins.push_back(PinInfoOf(pp, j, SEIsDspPin(pp.flags) ? dsp++ : -1));
  }
  return pins;
}

std::vector<PinInfo> PluginLibrary::DspPins() const {
  std::vector<PinInfo> out;
  for (const auto &p : m_pins)
    if (p.dsp_index >= 0)
      out.push_back(p);
  return out;
}

} // namespace sehost
