// The module runner: drives one DSP instance of a module through the
// framework's C records (sdk/se_abi.h). Every front end runs modules through
// it: the host core (one runner per instance of a patch), the LV2 bundle's
// plugins, the synth engine, the fuzz rig. The module may come from a plugin
// file (its two exports) or be compiled in (module_table.h): either way the
// runner takes its se::PluginEntry.
//
// Threads. A runner is driven by one thread at a time, and every call into
// the module happens inside a call to the runner on that thread. Different
// runners share nothing and may run on different threads at once.
//
// Memory. Create (and AddPins) allocate: the instance, and a buffer of
// `capacity` floats for every audio pin. Nothing else allocates, locks, logs
// or touches a file; the real-time calls below do none of it (unless the
// owner gave the runner an event store or a listener that does).
//
// Capacity, and what happens when it is full:
//  - at most kMaxPins DSP pins (the module's list and AddPins): Create and
//    AddPins answer false past it;
//  - its own event queue holds kMaxEvents events: a Queue* call that finds
//    it full answers false and queues nothing; an event the module queues
//    itself (HRQ_ADD_EVENT) then is dropped and counted (DroppedEvents). An
//    owner that is not real time may give the runner a store of its own
//    (SetEventStore; event_heap.h has no limit).
//  - `capacity` samples per Process call: longer runs are the caller's to
//    split (ForEachChunk).
//
//  Not real-time (instantiate / activate / cleanup):
//   - Create(entry, rate, capacity): makes the DSP instance through the
//     entry's makeModule, reads its pin list (DSP pin indices as our host
//     numbers them) and gives every audio pin its own buffer of `capacity`
//     floats (zeroed). Answers false when the module cannot be made (no
//     record, or not a DSP record), has too many pins, or the rate is not a
//     positive number (a front end that passes any rate on purpose sets it
//     with SetSampleRate before Open).
//   - AddPins(count): `count` more pins like the last one, which the module
//     did not declare (a last pin marked IO_REPEAT_LAST): they have no
//     variable, and audio ones get their own buffer. Before Open.
//   - PinIndex("Name") answers the DSP pin index of a pin, -1 for none.
//   - SetValue(pin, v) sets a non-audio input's value (choice: the item's
//     value; DT_INT32: the pointer-sized value, e.g. a generator link). Before
//     Open it is the value the module opens with.
//   - LinkValue(pin, variable): a non-audio input that reads its value from
//     another instance's output variable (same data type) whenever the
//     runner writes it: at Open and at each of the pin's events.
//   - SetConnected(pin, on): what HRQ_PIN_CONNECTED answers (default: off).
//   - SetSilenceWhileAsleep(on): see Process (default: on).
//   - SetListener, SetEventStore: see runner_listener.h and above. Before
//     anything is queued.
//   - Open(clock = 0): sample rate, block size (= capacity), pin variables,
//     DOP_OPEN with the sample clock at `clock`, then a status event for
//     every input at `clock`, in pin order: PS_RUNNING for pins marked
//     SetStreaming(pin, true), PS_ONCE for the others -- what our host sends
//     for a patch of constants and streams. Open is called once; to start
//     afresh (LV2 activate after a run) a wrapper makes a new runner.
//   - OutputValue(pin): the current value of a non-audio output (the link).
//   - Dispatch(...): any dispatcher call, as given (DOP_CLOSE closes).
//     SetSampleRate(rate), any float: before Open the rate Open sends, after
//     it sent at once. SetBlockSize(1..capacity): sent at once.
//   - Close(): closes the instance; events still queued are dropped, buffers
//     keep what they hold, Process does nothing from then on.
//
//  Real-time (run; no allocation, lock, log or file access):
//   - Buffer(pin): the runner's own buffer of an audio pin (capacity floats).
//     PinBuffer(pin): the buffer the pin uses now (its own, or one bound).
//   - Bind(pin, ptr): the audio pin reads / writes `ptr` instead of its own
//     buffer until bound again (nullptr: back to its own buffer). The module
//     sees the pointer as the pin's buffer of the coming Process call.
//   - QueueValue(offset, pin, value) and QueueStatus(offset, pin, status):
//     an input event at that sample of the coming Process call; the *At
//     forms take the sample clock itself. At its sample the runner writes
//     the pin's variable (a value event first takes the new value; a linked
//     pin reads its source) and delivers a pin-status event (QueueValue:
//     PS_ONCE), exactly as our host delivers a scheduled change. A status
//     equal to one still waiting for the same pin at the same clock is not
//     queued again (answers true): a chain of modules would otherwise
//     multiply them.
//   - QueueEventAt(clock, event): any event, delivered as given at `clock`
//     (its time stamp replaced by the clock). QueueTimedEvent(event): at its
//     32-bit time stamp, read relative to the coming call's first sample, as
//     a module's own (HRQ_ADD_EVENT).
//   - Order: events are delivered in clock order; events due at one clock in
//     the order they were queued, by whoever queued them (the module's own
//     included). Events due before the coming call are delivered at its
//     first sample.
//   - Process(n), 1 <= n <= capacity: runs n samples from the sample clock,
//     calling the installed process routine for each stretch between events
//     (events the module queues itself are kept across calls). Any event
//     other than a module's own wakes a sleeping module; while it sleeps
//     (HRQ_SLEEP) no routine runs, and its audio outputs read as silence (or
//     keep what they hold: SetSilenceWhileAsleep(false)). Answers false when
//     the listener stopped it (RunnerListener::Delivering).
//   - ForEachChunk(n, capacity, f) splits a run of any length into calls of
//     at most `capacity` samples: f(offset, length).
//
//  Requests it answers (the one request switch of every front end):
//   HRQ_PIN_STATUS (to the listener), HRQ_PIN_CONNECTED, HRQ_SAMPLE_CLOCK
//   (the clock of the event or stretch being run; between calls, the next
//   call's first sample), HRQ_PIN_BUFFER, HRQ_BLOCK_START_CLOCK (the
//   current call's first sample), HRQ_SLEEP, HRQ_PIN_COUNT, HRQ_ADD_EVENT,
//   HRQ_PROCESS_CHANGED (the entry is read from the record at every call);
//   any other: 0.
#ifndef SE_RUNTIME_MODULE_RUNNER_H
#define SE_RUNTIME_MODULE_RUNNER_H

#include "event_store.h"
#include "fixed_event_queue.h"
#include "runner_listener.h"
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
  bool AddPins(int count);
  int PinIndex(const char *name) const;
  int PinCount() const { return m_pinCount; }
  const SEPinProperties &Pin(int pin) const { return m_pins[pin].props; }
  // The pin's position in the module's whole pin list (GUI-only pins
  // included); -1 for pins AddPins made.
  int ListIndex(int pin) const { return m_pins[pin].listIndex; }
  void SetValue(int pin, intptr_t value);
  void LinkValue(int pin, const void *variable);
  void SetConnected(int pin, bool connected);
  void SetStreaming(int pin, bool streaming);
  void SetSilenceWhileAsleep(bool on) { m_silenceAsleep = on; }
  void SetListener(RunnerListener *listener) { m_listener = listener; }
  void SetEventStore(EventStore *store) { m_store = store != nullptr ? store : &m_queue; }
  void Open(int64_t clock = 0);
  intptr_t OutputValue(int pin) const;
  int32_t Capacity() const { return m_capacity; }
  bool IsOpen() const { return m_open; }
  bool Sleeping() const { return m_sleeping; }
  // The sample clock of the next Process call's first sample.
  int64_t Clock() const { return m_start; }
  int ProcessCalls() const { return m_processCalls; }
  uint64_t DroppedEvents() const { return m_dropped; }
  SEModuleRecord *Record() const { return m_record; }

  intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt);
  void SetSampleRate(float rate);
  void SetBlockSize(int32_t size);
  void Close();

  float *Buffer(int pin) { return m_pins[pin].own.get(); }
  float *PinBuffer(int pin) const { return m_pins[pin].buffer; }
  void Bind(int pin, float *buffer);
  bool QueueValue(int32_t offset, int pin, intptr_t value);
  bool QueueStatus(int32_t offset, int pin, int32_t status);
  bool QueueValueAt(int64_t clock, int pin, intptr_t value);
  bool QueueStatusAt(int64_t clock, int pin, int32_t status);
  bool QueueEventAt(int64_t clock, const SETimedEvent &event);
  bool QueueTimedEvent(const SETimedEvent &event);
  bool Process(int32_t n);

  template <class F> static void ForEachChunk(uint32_t n, int32_t capacity, F &&f) {
    for (uint32_t done = 0; done < n;) {
      const uint32_t len = n - done < static_cast<uint32_t>(capacity) ? n - done : capacity;
      f(static_cast<int32_t>(done), static_cast<int32_t>(len));
      done += len;
    }
  }

  // The entry every instance calls back; public for the C callback only.
  intptr_t OnRequest(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt);

private:
  struct Slot {
    SEPinProperties props{};
    int listIndex = -1;
    std::unique_ptr<float[]> own;
    float *buffer = nullptr;
    intptr_t value = 0;
    bool linked = false; // LinkValue: the value comes from `source`
    const void *source = nullptr;
    bool connected = false;
    bool streaming = false;
    // The status event still waiting for this pin, if any (see QueueStatus).
    bool statusPending = false;
    int64_t pendingClock = 0;
    int32_t pendingStatus = 0;
    uint64_t pendingSequence = 0;
  };

  bool AddSlot(const SEPinProperties &props, int list_index);
  bool QueuePinEvent(int64_t clock, int pin, int32_t status, bool has_value, intptr_t value);
  bool Enqueue(PendingEvent &e);
  int64_t Unwrap(int32_t clock32) const;
  void WriteVariable(const Slot &s);
  bool DeliverDue(int64_t now);
  void Silence(int32_t first, int32_t count);
  void Returned(ModuleCall call, int32_t opcode = 0) {
    if (m_listener != nullptr)
      m_listener->Returned(call, opcode);
  }

  SEModuleRecord *m_record = nullptr;
  float m_sampleRate = 44100.0f;
  int32_t m_capacity = 0;
  Slot m_pins[kMaxPins];
  int m_pinCount = 0;
  FixedEventQueue<kMaxEvents> m_queue;
  EventStore *m_store = &m_queue;
  RunnerListener *m_listener = nullptr;
  uint64_t m_sequence = 0;
  uint64_t m_dropped = 0;
  int64_t m_start = 0; // sample clock of the current Process call's first sample
  int64_t m_clock = 0; // what HRQ_SAMPLE_CLOCK answers
  int m_processCalls = 0;
  bool m_sleeping = false;
  bool m_silenceAsleep = true;
  bool m_open = false;
};

} // namespace se_runtime

#endif // SE_RUNTIME_MODULE_RUNNER_H
