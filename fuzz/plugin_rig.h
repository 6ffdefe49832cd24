// A minimal host around the module runner that every front end uses
// (runtime/module_runner.h): each instance is a runner, so the fuzzer drives
// the code users run, not a copy of it. The rig adds a small graph (feeders
// first, statuses carried to connected inputs, audio patterns) and lets its
// driver send what a faulty host might (bogus events, opcodes and pin
// indices, any sample rate); it checks the floating-point environment after
// every call into a plugin (the runner's listener).
#ifndef SE_FUZZ_PLUGIN_RIG_H
#define SE_FUZZ_PLUGIN_RIG_H

#include "fp_env.h"
#include "plugin_library.h"
#include "se_abi.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sefuzz {

class Rig {
public:
  // Buffers hold `block_size` samples (1 .. 4096) for the rig's life.
  Rig(float sample_rate, int32_t block_size);
  ~Rig(); // closes every instance
  Rig(const Rig &) = delete;
  Rig &operator=(const Rig &) = delete;

  // ---- Building (before Open) ----
  int Add(sehost::PluginLibrary &library);
  // Connects two pins by DSP index; the caller picks pins of one datatype.
  void Connect(int from, int out_pin, int to, int in_pin);

  // ---- Running ----
  void Open();
  void ProcessBlock();
  int32_t BlockSize() const { return m_block; }
  int64_t Clock() const { return m_block_start; }
  int InstanceCount() const { return static_cast<int>(m_instances.size()); }
  // DSP pins of an instance: inputs nothing feeds, of one datatype.
  std::vector<int> FreeInputs(int instance, int32_t datatype) const;
  int PinCount(int instance) const;

  // An audio input from `clock` on: a constant (PS_ONCE) or a repeating
  // pattern (PS_RUNNING).
  void SetAudio(int instance, int pin, int64_t clock, std::vector<float> pattern, bool streaming);
  // A non-audio input's value at `clock`, with a PS_ONCE event.
  void SetValue(int instance, int pin, int64_t clock, intptr_t value);
  // An event delivered as given (time stamp replaced by the delivery clock).
  void QueueRaw(int instance, int64_t clock, const SETimedEvent &event);
  intptr_t Dispatch(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                    float opt);
  // Sample rate and block size for every instance. The block size only
  // shrinks: modules take it at open, so a larger one would leave samples of
  // the buffers unwritten.
  void SetSampleRate(float rate);
  void SetBlockSize(int32_t size);
  // Closes an instance and puts a new one of the same library in its place,
  // opened, with the same connections and inputs.
  void Reopen(int instance);

  // Checks after each block that a sleeping instance's outputs are settled:
  // the block the host keeps replaying holds one value.
  void CheckSettledOutputs(bool on) { m_check_settled = on; }

private:
  struct Pin;
  struct Instance;

  void Create(Instance &inst);
  void OpenInstance(Instance &inst);
  void CloseInstance(Instance &inst);
  void Posted(Instance &inst, int pin, int64_t clock, int32_t status);
  void ProcessInstance(Instance &inst);
  void CheckSettled(const Instance &inst) const;
  std::vector<int> OpenOrder() const;

  float m_rate;
  int32_t m_block;
  int32_t m_capacity;
  int64_t m_block_start = 0;
  bool m_open = false;
  bool m_check_settled = false;
  FpEnv m_fp;
  std::vector<std::unique_ptr<Instance>> m_instances;
  std::vector<int> m_order;
};

} // namespace sefuzz

#endif
