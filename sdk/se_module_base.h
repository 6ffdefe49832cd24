// Base of every DSP instance: owns the instance record, answers the host's
// dispatcher, creates the pin objects at open and holds the installed process
// routine. Modules derive their class `Module` from it.
//
// The base is closed: what answers the host (the record, the dispatcher,
// event delivery, pin creation, the default routine) is private. A module
// overrides the hooks below and calls the services below; nothing else.
// Threads: the host makes one call at a time on an instance (se_abi.h), so
// every hook and service runs on the instance's thread of the moment.
#ifndef SE_MODULE_BASE_H
#define SE_MODULE_BASE_H

#include "se_abi.h"
#include "se_assert.h"
#include "se_pin.h"
#include "se_process.h"

namespace se {
struct InstanceRecords;
}

class SEModule_base {
public:
  SEModule_base(SEHostCallback host, intptr_t host_data);
  virtual ~SEModule_base(); // runs at DOP_CLOSE, after CloseInstance
  SEModule_base(const SEModule_base &) = delete;
  SEModule_base &operator=(const SEModule_base &) = delete;

protected:
  // ---- Services a module calls ----
  // Sends a request (HRQ_*, se_abi.h) to the host; 0 without a host.
  intptr_t HostRequest(int32_t opcode, int32_t index = 0, int32_t value = 0, void *ptr = nullptr,
                       float opt = 0.0f);
  // The host's sample clock; at an event delivery, the event's time stamp.
  int32_t SampleClock();
  float SampleRate() const { return m_sample_rate; }
  int32_t BlockSize() const { return m_block_size; }
  // The largest block size in force since open: how far into its buffers the
  // host may read (see se_settled_output.h).
  int32_t LargestBlockSize() const { return m_largest_block_size; }
  // The pin object at a DSP pin index [open]. An index the instance has no pin
  // for answers an inert pin that reads as unconnected and ignores every request.
  SEPin *PinAt(int32_t index);
  int32_t PinCount() const { return m_pin_count; }
  // Makes `routine` (se::Process<&Module::f>) the one the host calls; tells the
  // host only when it differs from the installed one, so it is cheap to repeat.
  void InstallProcessRoutine(SEProcessEntry routine);
  SEProcessEntry InstalledRoutine() const { return m_process; }
  // Queues an event for this instance at a clock not before SampleClock().
  void QueueEvent(int32_t time_stamp, int32_t event_type, int32_t int_value, int32_t short_value,
                  intptr_t ptr_value);
  // Runs `routine` (se::Routine<&Module::f>) on this instance at that clock.
  void QueueRoutine(int32_t time_stamp, SERoutineEntry routine);

private:
  // ---- Hooks a module may override (the base versions do nothing) ----
  // DOP_OPEN, after the pin objects exist: build tables, install the first
  // routine, post initial output statuses.
  virtual void OpenInstance() {}
  // DOP_CLOSE, before the instance destroys itself.
  virtual void CloseInstance() {}
  // An EV_PIN_STATUS event on `pin` [audio-thread]: its new status is set and
  // its new value already in the module's variable. PS_ONCE falls back to
  // PS_STATIC after the call.
  virtual void PinChanged(SEPin *pin);
  // DOP_PIN_PROPERTIES and pin creation: fills the record of pin list entry
  // `index` and answers true, or answers false past the end of the list.
  virtual bool DescribePin(int32_t index, SEPinProperties *properties);
  // DOP_CODE8 (and with index > 0, OnHostOpcode8Index after it).
  virtual void OnHostOpcode8() {}
  virtual void OnHostOpcode8Index(int32_t) {}
  // DOP_CODE12 (value, index, ptr).
  virtual void OnHostOpcode12(int32_t, int32_t, void *) {}
  // An EV_DATA event [audio-thread]: clock, int_value, low 16 bits of short_value.
  virtual void OnEventType2(int32_t, int32_t, int16_t) {}

  // ---- What answers the host ----
  friend class SEPin;                // tells the module of a status, sends pin requests
  friend struct se::InstanceRecords; // hands the record to makeModule

  static intptr_t SE_CDECL DispatcherEntry(void *record, int32_t opcode, int32_t index,
                                           int32_t value, void *ptr, float opt);
  static void SE_CDECL EventEntry(void *instance, SETimedEvent *e);
  intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt);
  void DeliverEvent(const SETimedEvent *e);
  void Open();
  void ChangeSampleRate(float rate);
  void ChangeBlockSize(int32_t size);
  void CreatePins();
  bool ReadPinProperties(int32_t index, SEPinProperties *properties);
  bool IsKnownRoutine(SERoutineEntry routine) const;
  // The routine installed until a module installs one: writes nothing.
  void defaultProcess(int32_t, int32_t) {}

  static constexpr int kMaxQueuedRoutines = 16;

  SEHostCallback m_host;
  SEModuleRecord m_record;
  float m_sample_rate;
  int32_t m_block_size;
  int32_t m_largest_block_size;
  SEPin *m_pins;
  int32_t m_pin_count;
  SEProcessEntry m_process;
  // The answer to DOP_PROCESS_REFERENCE. Each instance answers from its own
  // record, so that instances asked on different threads at once never
  // overwrite each other's answer; it stays valid until the instance closes.
  SEProcessReference m_process_reference = {};
  // Routines this instance has queued: only these run from an EV_RUN_ROUTINE
  // event, so an address from elsewhere is never jumped to.
  SERoutineEntry m_queued_routines[kMaxQueuedRoutines] = {};
};

#endif // SE_MODULE_BASE_H
