#include "generator_module.h"

#include "wave_table_directory.h"
#include "wavetable_generator/pins.h"
#include "wavetable_generator/wave_table_store.h"

namespace wavetable {

Module::Module(SEHostCallback host, intptr_t host_data) : SEModule_base(host, host_data) {}

Module::~Module() = default;

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  void *const variables[] = {&m_linkValue};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::OpenInstance() {
  m_linkValue = reinterpret_cast<intptr_t>(&wavetable::PublishedDirectory().entries[0]);
  // The value leaves before the first build starts; the build is complete
  // before this open returns, and so before the host runs any reader.
  PinAt(kLinkPin)->PostStatus(SampleClock(), PS_ONCE);
  wavetable::BuildWaveTables(m_harmonicAmps);
}

GuiModule::~GuiModule() = default;

} // namespace wavetable
