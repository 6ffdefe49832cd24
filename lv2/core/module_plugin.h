// The one path of every plugin of the bundle: one module per audio channel,
// every port taken from its PluginDef. Audio ports are the module's audio
// pins; every other audio input pin is fed from a control, a modulation input
// or a value held for it; choice pins take their items' values. A plugin with
// more to do (a MIDI voice) adds a PluginVoice: the hooks below, called at
// fixed points of the same path.
//
// instantiate: reads the capacity (block_length.h), makes the runners, the
//   feeds and the voice; answers NULL for a rate outside [1 Hz, 10 MHz],
//   without a urid:map the plugin requires (host_features.h), or when a
//   module or the voice cannot be made.
// activate: opens the modules (a second activate starts from new instances)
//   with every choice pin at its default or its control's item, every fed
//   pin at its control's value or its default, then what the voice holds.
// run(n), any n: the controls are read at the run's first frame; a MIDI
//   input's events (sequence_reader.h) go to the voice at their frames, each
//   after everything before it is rendered. The run is cut into stretches of
//   at most the capacity; at each stretch's start, a modulation input that
//   holds one value over the stretch makes its pin static (PS_ONCE when the
//   value changes), one that moves makes it stream (PS_RUNNING). Each call
//   of the modules may be cut shorter by the voice; before it, every change
//   is queued at its first frame: the voice's first, then the controls' in
//   port order (a choice as a value event, a changed static value with
//   PS_ONCE), then the voice's others -- as our host applies a scheduled
//   change. A modulation sample is held to its port's range (a non-finite
//   one counts as 0 V) and its sum with the control to the control's range.
//   Any input may share its buffer with any output (the plugins are not
//   inPlaceBroken): an audio input that does is copied before a module of the
//   call runs. Every output goes through the voice, is held to the plugin's
//   ceiling (output_limit.h), and last passes the output stage
//   (output_stage.h): the plugin's output level and bypass, where its table
//   has them (PinMapping::kOutputLevel, kEnabled); without them it leaves
//   every sample as it is. Never allocates, locks or logs.
#ifndef SE_LV2_MODULE_PLUGIN_H
#define SE_LV2_MODULE_PLUGIN_H

#include "control_value.h"
#include "module_runner.h"
#include "output_stage.h"
#include "plugin_def.h"
#include "sequence_reader.h"

#include <lv2/core/lv2.h>

#include <memory>
#include <new>

namespace se_lv2 {

using se_runtime::ModuleRunner;

class ModulePlugin;

// What a plugin adds to the generic path. Every hook runs on the thread of
// the LV2 call it is named after; those of run never allocate.
class PluginVoice {
public:
  virtual ~PluginVoice() = default;
  // instantiate, the modules made: finds its pins; false refuses the instance.
  virtual bool Prepare(ModulePlugin &plugin) = 0;
  // activate, before the modules open: back to rest, its pins' first values.
  virtual void Start(ModulePlugin &plugin) = 0;
  // activate, after the modules opened.
  virtual void Started(ModulePlugin &) {}
  // run, at its first frame, the controls read.
  virtual void ReadControls(ModulePlugin &) {}
  // run: one MIDI event, at its frame.
  virtual void Midi(const uint8_t *, uint32_t) {}
  // Before each call of the modules: changes due at its first frame, queued
  // before and after the controls'.
  virtual void FlushFirst(ModulePlugin &) {}
  virtual void Flush(ModulePlugin &) {}
  // The longest call it allows from here (at least 1).
  virtual int32_t Piece(int32_t length) const { return length; }
  // An output of the call (one audio output per call), before the limit.
  virtual void Output(float *, int32_t) {}
};

class ModulePlugin {
public:
  static constexpr int kMaxChannels = 2;
  static constexpr int kMaxPorts = 32;

  using InstantiateFn = LV2_Handle (*)(const LV2_Descriptor *, double, const char *,
                                       const LV2_Feature *const *);

  // The LV2 entry points of a plugin on this path; `instantiate` is
  // &InstantiateWith<Voice> for a plugin with a voice.
  static constexpr LV2_Descriptor Descriptor(const char *uri,
                                             InstantiateFn instantiate = &Instantiate) {
    return {uri, instantiate, &ConnectPort, &Activate, &Run, &Deactivate, &Cleanup, &ExtensionData};
  }

  static LV2_Handle Instantiate(const LV2_Descriptor *descriptor, double rate, const char *,
                                const LV2_Feature *const *features) {
    return Make(descriptor, rate, features, nullptr);
  }
  template <class Voice>
  static LV2_Handle InstantiateWith(const LV2_Descriptor *descriptor, double rate, const char *,
                                    const LV2_Feature *const *features) {
    std::unique_ptr<PluginVoice> voice(new (std::nothrow) Voice());
    return voice ? Make(descriptor, rate, features, std::move(voice)) : nullptr;
  }
  static void ConnectPort(LV2_Handle handle, uint32_t port, void *data);
  static void Activate(LV2_Handle handle);
  static void Run(LV2_Handle handle, uint32_t n);
  static void Deactivate(LV2_Handle handle);
  static void Cleanup(LV2_Handle handle);
  static const void *ExtensionData(const char *) { return nullptr; }

  // What a voice may ask and do.
  float Rate() const { return m_rate; }
  // The DSP pin index of a module pin by its name, -1 for none.
  int PinIndex(const char *name) const;
  // The value a control port asks for, contained: a choice's item, a number
  // held to the port's range (NaN: its default); unconnected: its default.
  float Control(uint32_t port) const;
  // A fed pin holds `sample` from the coming call of the modules on (never
  // one that a modulation input streams into); `announce` delivers PS_ONCE at
  // the call's first frame (after activate only).
  void Hold(int pin, float sample, bool announce);
  // A non-audio input's value: before the modules open, the value they open
  // with; after, a value event at the coming call's first frame.
  void SetValue(int pin, intptr_t value);
  // What the module hears when it asks whether the pin is connected.
  void SetConnected(int pin);

private:
  // A control port and the module pin it drives.
  struct ControlPin {
    int port = -1;
    int pin = -1;
    bool choice = false;
    ChoiceSet choices;
    int feed = -1;        // volts and frequency controls: their feed
    float wanted = 0.0f;  // what the port asks for, contained
    float applied = 0.0f; // what the modules were last told
  };
  // An audio input pin without an audio port: one buffer that every
  // channel's module reads, filled for each call.
  struct Feed {
    int pin = -1;
    int control = -1;                       // the control driving it
    int cvPort = -1;                        // the modulation input adding to it
    double volts = 0.0;                     // the control's value, or the default
    double cvVolts = 0.0;                   // the modulation while it holds still
    double lowest = -1e30, highest = 1e30;  // the range of the sum, in volts
    double cvLowest = 0.0, cvHighest = 0.0; // the modulation input's range
    float sample = 0.0f;                    // what the pin holds while static
    int32_t filled = 0;                     // how far the buffer holds `sample`
    bool streaming = false;                 // what the modules were last told
    std::unique_ptr<float[]> buffer;
  };

  ModulePlugin(const PluginDef &def, std::unique_ptr<PluginVoice> voice)
      : m_def(def), m_voice(std::move(voice)) {}
  static LV2_Handle Make(const LV2_Descriptor *descriptor, double rate,
                         const LV2_Feature *const *features, std::unique_ptr<PluginVoice> voice);
  bool Build(double rate, int32_t capacity);
  bool MakeFeed(int pin);
  bool MakeRunners();
  void ReadControls();
  float FeedSample(const Feed &f) const;
  float CvSample(const Feed &f, float cv) const;
  Feed *FeedOf(int pin);
  void RenderUntil(int32_t frame, uint32_t n);
  void ReadCv(int32_t offset, int32_t length);
  void Segment(int32_t offset, int32_t length);
  void Flush();
  void FillFeeds(int32_t offset, int32_t length);
  void BindAudio(int32_t offset, int32_t length);
  void FinishOutputs(int32_t offset, int32_t length);
  void StageControls(bool at_once);
  bool SharesOutput(const float *input, int32_t offset, int32_t length) const;
  void QueueStatus(int pin, int32_t status);

  const PluginDef &m_def;
  std::unique_ptr<PluginVoice> m_voice;
  SequenceUrids m_urids;
  int m_midiPort = -1;
  float m_rate = 44100.0f;
  int32_t m_capacity = 0;
  std::unique_ptr<ModuleRunner> m_runners[kMaxChannels];
  void *m_ports[kMaxPorts] = {};
  int m_portPin[kMaxPorts] = {}; // audio ports: the module pin, -1 for none
  ControlPin m_controls[kMaxPorts];
  int m_controlCount = 0;
  Feed m_feeds[ModuleRunner::kMaxPins];
  int m_feedCount = 0;
  OutputStage m_stage;
  int m_levelPort = -1, m_enabledPort = -1; // the stage's controls, -1 for none
  int m_mainIn[kMaxChannels] = {-1, -1};    // each channel's signal input port
  int m_mainOut[kMaxChannels] = {-1, -1};   // and output port
  bool m_active = false;
  bool m_open = false;    // the modules opened (activate's second half)
  bool m_used = false;    // opened since the runners were made
  int32_t m_cursor = 0;   // frames of the current run done
  int32_t m_chunkEnd = 0; // end of the current stretch
};

} // namespace se_lv2

#endif // SE_LV2_MODULE_PLUGIN_H
