// Base of every DSP instance: owns the instance record, answers the host's
// dispatcher, creates the pin objects at open and holds the installed process
// routine. Modules derive their class `Module` from it.
#ifndef SE_MODULE_BASE_H
#define SE_MODULE_BASE_H

#include "SEPin.h"
#include "se_abi.h"
#include "se_assert.h"
#include "se_process.h"

class SEModule_base {
public:
  SEModule_base(SEHostCallback host, intptr_t host_data);
  virtual ~SEModule_base();
  SEModule_base(const SEModule_base &) = delete;
  SEModule_base &operator=(const SEModule_base &) = delete;

  virtual void PinChanged(SEPin *pin);
  virtual void DeliverEvent(const SETimedEvent *e);
  virtual intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt);
  virtual void OpenInstance();
  virtual void CloseInstance() {}
  virtual void ChangeSampleRate(float rate);
  virtual void ChangeBlockSize(int32_t size);
  float SampleRate() const { return m_sample_rate; }
  int32_t BlockSize() const { return m_block_size; }
  // The largest block size in force since open: how far into its buffers the
  // host may read (see se_settled_output.h).
  int32_t LargestBlockSize() const { return m_largest_block_size; }
  virtual bool DescribePin(int32_t index, SEPinProperties *properties);
  virtual void OnHostOpcode8() {}
  virtual void OnHostOpcode8Index(int32_t) {}
  virtual void OnEventType2(int32_t, int32_t, int16_t) {}
  virtual void OnHostOpcode12(int32_t, int32_t, void *) {}

  // ---- Services for modules ----
  intptr_t HostRequest(int32_t opcode, int32_t index = 0, int32_t value = 0, void *ptr = nullptr,
                       float opt = 0.0f);
  int32_t SampleClock();
  // The pin object at a DSP pin index. An index the instance has no pin for
  // answers an inert pin that reads as unconnected and ignores every request.
  SEPin *PinAt(int32_t index);
  int32_t PinCount() const { return m_pin_count; }
  bool ReadPinProperties(int32_t index, SEPinProperties *properties);
  void InstallProcessRoutine(SEProcessEntry routine);
  void QueueEvent(int32_t time_stamp, int32_t event_type, int32_t int_value, int32_t short_value,
                  intptr_t ptr_value);
  void QueueRoutine(int32_t time_stamp, SERoutineEntry routine);

  SEModuleRecord *Record() { return &m_record; }
  SEProcessEntry InstalledRoutine() const { return m_process; }

  void defaultProcess(int32_t, int32_t) {}

private:
  static intptr_t SE_CDECL DispatcherEntry(void *record, int32_t opcode, int32_t index,
                                           int32_t value, void *ptr, float opt);
  static void SE_CDECL EventEntry(void *instance, SETimedEvent *e);
  void CreatePins();
  bool IsKnownRoutine(SERoutineEntry routine) const;

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
