// The module runner: drives one DSP instance of a module through the same C
// interface our host uses (host/core/host.cpp), for any front end (the LV2
// bundle's plugins, the synth engine).
//
// Contract (stable; the LV2 plugins build on it):
//
//  Not real-time (instantiate / activate / cleanup):
//   - Create(entry, rate, capacity): makes the DSP instance through the
//     entry's makeModule, reads its pin list (DSP pin indices as our host
//     numbers them) and gives every audio pin its own buffer of `capacity`
//     floats (zeroed). Answers false when the module cannot be made.
//   - PinIndex("Name") answers the DSP pin index of a pin, -1 for none.
//   - SetValue(pin, v) sets a non-audio input's value (choice: the item's
//     value; DT_INT32: the pointer-sized value, e.g. a generator link). Before
//     Open it is the value the module opens with.
//   - SetConnected(pin, on): what HRQ_PIN_CONNECTED answers (default: off).
//   - Open(): sample rate, block size (= capacity), pin variables, DOP_OPEN,
//     then a status event for every input at clock 0, in pin order:
//     PS_RUNNING for pins marked SetStreaming(pin, true), PS_ONCE for the
//     others -- what our host sends for a patch of constants and streams.
//     Open is called once; to start afresh (LV2 activate after a run) a
//     wrapper makes a new runner.
//   - OutputValue(pin): the current value of a non-audio output (the link).
//
//  Real-time (run; no allocation, lock, log or file access):
//   - Buffer(pin): the runner's own buffer of an audio pin (capacity floats).
//   - Bind(pin, ptr): the audio pin reads / writes `ptr` instead of its own
//     buffer until bound again (nullptr: back to its own buffer). The module
//     sees the pointer as the pin's buffer of the coming Process call.
//   - QueueValue(offset, pin, value) and QueueStatus(offset, pin, status):
//     an input event at that sample of the coming Process call. At its
//     sample the runner writes the value into the pin's variable (value
//     events only) and delivers a pin-status event (QueueValue: PS_ONCE),
//     exactly as our host delivers a scheduled change. Events at one offset
//     are delivered in the order they were queued. A full queue drops the
//     event and answers false.
//   - Process(n), 1 <= n <= capacity: runs n samples from the sample clock,
//     calling the installed process routine for each stretch between events
//     (events the module queues itself, HRQ_ADD_EVENT, are kept across
//     calls). While the module sleeps (HRQ_SLEEP, until its next input
//     event) no routine runs and every audio output reads as silence.
//   - ForEachChunk(n, capacity, f) splits a run of any length into calls of
//     at most `capacity` samples: f(offset, length).
#ifndef SE_RUNTIME_MODULE_RUNNER_H
#define SE_RUNTIME_MODULE_RUNNER_H

#include "se_abi.h"
#include "se_plugin.h"

#include <cstdint>
#include <memory>

namespace se_runtime {

class ModuleRunner {
public:
  static constexpr int kMaxPins = 32;
  static constexpr int kMaxEvents = 256;

  ModuleRunner() = default;
  ~ModuleRunner();
  ModuleRunner(const ModuleRunner &) = delete;
  ModuleRunner &operator=(const ModuleRunner &) = delete;

  bool Create(const se::PluginEntry &entry, float sample_rate, int32_t capacity);
  int PinIndex(const char *name) const;
  int PinCount() const { return m_pinCount; }
  const SEPinProperties &Pin(int pin) const { return m_pins[pin].props; }
  void SetValue(int pin, intptr_t value);
  void SetConnected(int pin, bool connected);
  void SetStreaming(int pin, bool streaming);
  void Open();
  intptr_t OutputValue(int pin) const;
  int32_t Capacity() const { return m_capacity; }
  bool Sleeping() const { return m_sleeping; }

  float *Buffer(int pin) { return m_pins[pin].own.get(); }
  void Bind(int pin, float *buffer);
  bool QueueValue(int32_t offset, int pin, intptr_t value);
  bool QueueStatus(int32_t offset, int pin, int32_t status);
  void Process(int32_t n);

  template <class F> static void ForEachChunk(uint32_t n, int32_t capacity, F &&f) {
    for (uint32_t done = 0; done < n;) {
      const uint32_t len = n - done < static_cast<uint32_t>(capacity) ? n - done : capacity;
      f(static_cast<int32_t>(done), static_cast<int32_t>(len));
      done += len;
    }
  }

  // The entry every instance calls back; public for the C callback only.
  intptr_t OnRequest(int32_t opcode, int32_t index, int32_t value, void *ptr);

private:
  struct Slot {
    SEPinProperties props{};
    std::unique_ptr<float[]> own;
    float *buffer = nullptr;
    intptr_t value = 0;
    bool connected = false;
    bool streaming = false;
  };
  struct Event {
    int64_t clock;
    uint32_t sequence;
    bool moduleEvent; // queued by the module itself: delivered as it was queued
    SETimedEvent event;
    int pin;
    bool hasValue;
    intptr_t value;
  };

  bool Enqueue(const Event &e);
  bool QueuePinEvent(int32_t offset, int pin, int32_t status, bool has_value, intptr_t value);
  void WriteVariable(const Slot &s);
  void DeliverDue(int64_t now);
  void Silence(int32_t first, int32_t count);

  SEModuleRecord *m_record = nullptr;
  float m_sampleRate = 44100.0f;
  int32_t m_capacity = 0;
  Slot m_pins[kMaxPins];
  int m_pinCount = 0;
  Event m_events[kMaxEvents];
  int m_eventCount = 0;
  uint32_t m_sequence = 0;
  int64_t m_start = 0; // sample clock of the current Process call's first sample
  int64_t m_clock = 0; // what HRQ_SAMPLE_CLOCK answers
  bool m_sleeping = false;
  bool m_open = false;
};

} // namespace se_runtime

#endif // SE_RUNTIME_MODULE_RUNNER_H
