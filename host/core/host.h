// Our host: loads module libraries, creates and wires instances, and runs
// them as a patch: each instance is a module runner (runtime/module_runner.h),
// which delivers its sample-accurate events and answers its requests; the
// host adds what is between instances (connections, summed inputs, status
// carried from outputs to inputs, sources, the open and run order).
//
// Events. Each instance's events wait in a store without a limit (the host is
// not real time): a patch may schedule any number of changes ahead, and a
// module may queue any number of its own.
//
// Typical use:
//   Host host(44100.0f, 256);
//   auto &gen = host.Load("plugins/wavetable_generator.so");
//   int g = host.Add(gen), o = host.Add(osc);
//   host.Connect(g, "QX_Osc_Link", o, "QX_Osc_Link");
//   host.SetValue(o, "Active", 1);
//   host.Open();
//   host.ProcessBlock();  // or Render(o, "Wave.Out", n)
#ifndef SEHOST_HOST_H
#define SEHOST_HOST_H

#include "host_error.h"
#include "module_table.h"
#include "plugin_library.h"
#include "source.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sehost {

// One request an instance made, as it made it.
struct Request {
  int32_t opcode;
  int32_t index;
  int32_t value;
  intptr_t ptr;
  float opt;
  SETimedEvent event{}; // a copy of the event of HRQ_ADD_EVENT
};

class Host {
public:
  Host(float sample_rate = 44100.0f, int32_t block_size = 256);
  ~Host();
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;

  float SampleRate() const { return m_sampleRate; }
  int32_t BlockSize() const { return m_blockSize; }

  // ---- Building the patch (before Open) ----
  // Loads a library once; later calls with the same path answer the same one.
  // With a module table in use, a path whose file name (without folder and
  // extension) names a module of the table answers that compiled-in module,
  // and no file is opened.
  PluginLibrary &Load(const std::string &path);
  // Modules compiled into this program (e.g. se_runtime::StaticModules()),
  // looked up by Load; the table must outlive the host.
  void UseModules(const se_runtime::ModuleTable &modules) { m_modules = &modules; }
  // Creates a DSP instance (makeModule index 0, type 1) and answers its id.
  int Add(PluginLibrary &library, const std::string &label = "");
  // Extra pins the host reports beyond the list (for a last pin with IO_REPEAT_LAST).
  void SetExtraPins(int instance, int count);
  // An audio input may be connected to several outputs and gets their sum;
  // any other input takes one connection.
  void Connect(int from, int out_pin, int to, int in_pin);
  void Connect(int from, const std::string &out_pin, int to, const std::string &in_pin);
  // Feeds an audio input from a host-side source.
  void Feed(int instance, int pin, std::unique_ptr<Source> source);
  // Sets an input's value: audio pins in samples (1.0 = 10 V), choices by value.
  // Before Open it is the initial value; after Open it takes effect at the next
  // block's start.
  void SetValue(int instance, int pin, double value);
  void SetValue(int instance, const std::string &pin, double value);
  // Changes an input's value at a sample clock, with a PS_ONCE status event.
  void ScheduleValue(int instance, int pin, int64_t clock, double value);
  // Answers the DSP pin index of a pin named `name`; throws HostError if none.
  int PinIndex(int instance, const std::string &name) const;
  std::vector<PinInfo> Pins(int instance) const;

  // ---- Running ----
  // Sends sample rate, block size and open to every instance, feeders first,
  // then queues the initial status of every input at the current clock.
  void Open();
  bool IsOpen() const { return m_open; }
  // Processes one block of every instance, in the order they were opened.
  void ProcessBlock();
  // Processes blocks until `samples` more samples of one output are collected.
  std::vector<float> Render(int instance, int pin, int64_t samples);
  std::vector<float> Render(int instance, const std::string &pin, int64_t samples);
  // The buffer of an audio pin (outputs: what the module wrote last).
  const float *Buffer(int instance, int pin) const;
  int64_t Clock() const { return m_blockStart; }
  // A check that a stop was asked for (a signal handler's flag, say): while it
  // answers true, processing throws HostInterrupted at the next instance or
  // after a bounded number of events, so that no patch holds a stop up for
  // long. The host is left mid-block; only destroying it is meaningful then.
  void SetInterruptCheck(bool (*interrupted)()) { m_interrupted = interrupted; }
  // A smaller block size after open (buffers keep the size they were made with).
  void SetBlockSize(int32_t block_size);

  // ---- Direct access, for tests ----
  SEModuleRecord *Record(int instance) const;
  intptr_t Dispatch(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                    float opt);
  // Queues an event to be delivered through the event entry at its time_stamp.
  void QueueEvent(int instance, const SETimedEvent &event);
  void RecordRequests(int instance, bool on);
  const std::vector<Request> &Requests(int instance) const;
  void ClearRequests(int instance);
  bool Sleeping(int instance) const;
  int ProcessCalls(int instance) const;
  // Closes one instance (opcode 1); its outputs keep their last buffers.
  void Close(int instance);
  int InstanceCount() const { return static_cast<int>(m_instances.size()); }

private:
  struct Instance;
  struct Slot;
  // Events delivered between two looks at the interrupt check.
  static constexpr uint64_t kInterruptCheckEvents = 4096;
  Instance &At(int instance);
  const Instance &At(int instance) const;
  Slot &SlotAt(int instance, int pin);
  void RequireBuilding(const char *what) const;
  void PrepareInputs();
  void OpenInstance(Instance &inst);
  void CheckInterrupt() const;
  bool KeepDelivering();
  void StatusPosted(Instance &from, int pin, int64_t clock, int32_t status);
  const Slot &FeederSlot(const Slot &input, size_t i) const;
  float *FeederBuffer(const Slot &input, size_t i) const;
  int32_t FedStatus(const Slot &input, int32_t posted) const;
  void SumFeeders(Instance &inst, Slot &input);
  void ProcessInstance(Instance &inst);
  std::vector<int> OpenOrder() const;

  float m_sampleRate;
  int32_t m_blockSize;
  int32_t m_capacity;
  bool m_open = false;
  int64_t m_blockStart = 0;
  uint64_t m_eventsDelivered = 0;
  bool (*m_interrupted)() = nullptr;
  const se_runtime::ModuleTable *m_modules = nullptr;
  std::map<std::string, std::unique_ptr<PluginLibrary>> m_libraries;
  std::vector<std::unique_ptr<Instance>> m_instances;
  std::vector<int> m_order;
};

} // namespace sehost

#endif
