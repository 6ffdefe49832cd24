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

  SEModuleProperties props;
  std::memset(&props, 0, sizeof props);
  if (p->m_getProperties(0, &props) == 0)
    throw HostError(path + ": the library describes no module at index 0");
  p->m_description = {Text(props.name), Text(props.id), Text(props.about), props.sdk_version};

  void *record = p->m_makeModule(0, MT_DSP, &SilentHost, 0);
  if (record == nullptr)
    throw HostError(path + ": the library creates no DSP instance");
  auto *rec = static_cast<SEModuleRecord *>(record);
  p->m_pins = ReadPins(rec);
  rec->dispatcher(rec, DOP_CLOSE, 0, 0, nullptr, 0.0f);
  for (auto &pin : p->m_pins)
    pin.variable = nullptr; // belonged to the closed instance
  return p;
}

std::vector<PinInfo> PluginLibrary::ReadPins(SEModuleRecord *rec) {
  std::vector<PinInfo> pins;
  int dsp = 0;
  for (int j = 0; j < kMaxPinList; ++j) {
    SEPinProperties pp;
    std::memset(&pp, 0, sizeof pp);
    if (rec->dispatcher(rec, DOP_PIN_PROPERTIES, j, 0, &pp, 0.0f) == 0)
      break;
    PinInfo info;
    info.property_index = j;
    info.dsp_index = SEIsDspPin(pp.flags) ? dsp++ : -1;
    info.name = Text(pp.name);
    info.direction = pp.direction;
    info.datatype = pp.datatype;
    info.has_default = pp.default_value != nullptr;
    info.default_text = Text(pp.default_value);
    info.datatype_text = Text(pp.datatype_text);
    info.flags = pp.flags;
    info.variable = pp.variable;
    pins.push_back(info);
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
