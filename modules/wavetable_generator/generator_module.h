// The generator's DSP and GUI instances. The DSP instance has one output, the
// link, whose value is the address of the table directory; its first open in
// the process builds the tables. It processes no audio.
#ifndef WAVETABLE_GENERATOR_MODULE_H
#define WAVETABLE_GENERATOR_MODULE_H

#include "SEGUI_base.h"
#include "SEModule_base.h"
#include "table_layout.h"

#include <cstdint>

namespace wavetable {

class Module : public SEModule_base {
public:
  Module(SEHostCallback host, intptr_t host_data);
  ~Module() override; // the tables are the library's; nothing of them is freed

  void OpenInstance() override;
  bool DescribePin(int32_t index, SEPinProperties *properties) override;

private:
  float m_harmonicAmps[wavetable::kMaxHarmonics] = {}; // amplitude scratch of the build
  intptr_t m_linkValue = 0; // the link pin's variable: the directory's address
};

class GuiModule : public SEGUI_base {
public:
  using SEGUI_base::SEGUI_base;
  ~GuiModule() override;
};

} // namespace wavetable

#endif // WAVETABLE_GENERATOR_MODULE_H
