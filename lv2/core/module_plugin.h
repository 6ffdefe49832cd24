// A plugin made of one module per audio channel, every port taken from its
// PluginDef: audio ports are the module's audio pins, controls (with the CV
// ports that add to them) feed its other inputs. The filter plugins are
// exactly this; a plugin with more to do (MIDI) builds on ModuleRunner.
//
// instantiate: reads the capacity (block_length.h), makes the runners and
//   the buffers of control-fed pins; answers NULL for a rate that is not
//   positive and below 10 MHz, without a urid:map the plugin requires
//   (features.h), or when the module cannot be made.
// activate: opens the modules with the controls' current values (a second
//   activate starts from new instances).
// run(n), any n: per control, a changed (contained) value is applied at the
//   run's first sample: a choice as a value event, a volts or frequency
//   control through its pin's samples with a PS_ONCE status, as our host
//   applies a scheduled change; a connected CV port makes its pin stream
//   (PS_RUNNING) and adds its volts per sample: a CV sample is held to the
//   CV port's range (a non-finite one counts as 0), and the sum to the
//   control's range. Runs longer than the capacity are split. Any input may
//   share its buffer with any output (the plugins are not inPlaceBroken): an
//   audio input that does is copied before a module of the chunk runs.
//   Last, the output stage (output_stage.h) applies the plugin's output
//   level and bypass, where its table has them (PinMapping::kOutputLevel,
//   kEnabled); without them it leaves every sample as the modules wrote it.
#ifndef SE_LV2_MODULE_PLUGIN_H
#define SE_LV2_MODULE_PLUGIN_H

#include "control_value.h"
#include "module_runner.h"
#include "output_stage.h"
#include "plugin_def.h"

#include <lv2/core/lv2.h>

#include <memory>

namespace se_lv2 {

using se_runtime::ModuleRunner;

class ModulePlugin {
public:
  static constexpr int kMaxChannels = 2;
  static constexpr int kMaxPorts = 32;

  // The LV2 entry points of a plugin that is a ModulePlugin.
  static constexpr LV2_Descriptor Descriptor(const char *uri) {
    return {uri,  &Instantiate, &ConnectPort, &Activate,
            &Run, &Deactivate,  &Cleanup,     &ExtensionData};
  }

  static LV2_Handle Instantiate(const LV2_Descriptor *descriptor, double rate, const char *,
                                const LV2_Feature *const *features);
  static void ConnectPort(LV2_Handle handle, uint32_t port, void *data);
  static void Activate(LV2_Handle handle);
  static void Run(LV2_Handle handle, uint32_t n);
  static void Deactivate(LV2_Handle handle);
  static void Cleanup(LV2_Handle handle);
  static const void *ExtensionData(const char *) { return nullptr; }

private:
  // A control port and the module pin it drives.
  struct Control {
    int port = -1;
    int pin = -1;
    bool choice = false;
    ChoiceSet choices;
    int feed = -1;        // volts and frequency controls: their feed
    float applied = 0.0f; // the contained value in force
  };
  // An audio pin fed from a control (and maybe a CV port): one buffer that
  // every channel's module reads.
  struct Feed {
    int pin = -1;
    int cvPort = -1;
    double volts = 0.0;
    double lowest = 0.0, highest = 0.0;     // the control's range, in volts
    double cvLowest = 0.0, cvHighest = 0.0; // the CV port's range
    bool streaming = false;                 // what the modules were last told
    std::unique_ptr<float[]> buffer;
  };

  explicit ModulePlugin(const PluginDef &def) : m_def(def) {}
  bool Build(double rate, int32_t capacity);
  bool MakeRunners();
  float PortValue(const PortSpec &spec, const Control &c) const;
  void ApplyControls();
  void FillFeeds(int32_t offset, int32_t length);
  void BindAudio(int32_t offset, int32_t length);
  bool SharesOutput(const float *input, int32_t offset, int32_t length) const;
  float WrapperControl(int port) const;
  void StageControls(bool at_once);
  void RunStage(int32_t offset, int32_t length, bool before_modules);

  const PluginDef &m_def;
  float m_rate = 44100.0f;
  int32_t m_capacity = 0;
  std::unique_ptr<ModuleRunner> m_runners[kMaxChannels];
  void *m_ports[kMaxPorts] = {};
  int m_portPin[kMaxPorts] = {}; // audio ports: the module pin, -1 for none
  Control m_controls[kMaxPorts];
  int m_controlCount = 0;
  Feed m_feeds[kMaxPorts];
  int m_feedCount = 0;
  OutputStage m_stage;
  int m_levelPort = -1, m_enabledPort = -1; // the stage's controls, -1 for none
  int m_mainIn[kMaxChannels] = {-1, -1};    // each channel's signal input port
  int m_mainOut[kMaxChannels] = {-1, -1};   // and output port
  bool m_active = false;
  bool m_used = false; // opened since the runners were made
};

} // namespace se_lv2

#endif // SE_LV2_MODULE_PLUGIN_H
