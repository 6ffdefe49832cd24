#include "module_runner.h"

#include <cstring>
#include <new>

namespace se_runtime {

namespace {

intptr_t SE_CDECL RunnerCallback(void *record, int32_t opcode, int32_t index, int32_t value,
                                 void *ptr, float opt) {
  if (record == nullptr)
    return 0;
  auto *runner = reinterpret_cast<ModuleRunner *>(static_cast<SEModuleRecord *>(record)->host_data);
  return runner != nullptr ? runner->OnRequest(opcode, index, value, ptr, opt) : 0;
}

// Longest pin list read; a module that never answers false is faulty.
constexpr int kMaxPinList = 4096;

// A non-audio value as the variable of `datatype` holds it; false for a type
// that has no variable of ours.
bool ReadValue(int32_t datatype, const void *var, intptr_t &value) {
  switch (datatype) {
  case DT_CHOICE: value = *static_cast<const int16_t *>(var); return true;
  case DT_CODE4: value = *static_cast<const int8_t *>(var); return true;
  case DT_CODE6: value = *static_cast<const int32_t *>(var); return true;
  case DT_INT32: value = *static_cast<const intptr_t *>(var); return true;
  default: return false;
  }
}

} // namespace

ModuleRunner::~ModuleRunner() {
  m_listener = nullptr; // its owner may be gone already
  Close();
}

bool ModuleRunner::Create(const se::PluginEntry &entry, float sample_rate, int32_t capacity) {
  if (m_record != nullptr || m_pinCount > 0 || capacity <= 0 || !(sample_rate > 0.0f) ||
      entry.makeModule == nullptr)
    return false;
  m_sampleRate = sample_rate;
  m_capacity = capacity;
  void *record = entry.makeModule(0, MT_DSP, &RunnerCallback, reinterpret_cast<intptr_t>(this));
  Returned(ModuleCall::kMakeModule);
  if (record == nullptr)
    return false;
  m_record = static_cast<SEModuleRecord *>(record);
  if (m_record->magic != SE_MODULE_MAGIC) {
    m_record = nullptr; // not a DSP record: nothing of it can be trusted, not even its close
    return false;
  }
  for (int j = 0; j < kMaxPinList; ++j) {
    SEPinProperties pp;
    std::memset(&pp, 0, sizeof pp);
    const intptr_t more = m_record->dispatcher(m_record, DOP_PIN_PROPERTIES, j, 0, &pp, 0.0f);
    Returned(ModuleCall::kDispatcher, DOP_PIN_PROPERTIES);
    if (more == 0)
      break;
    if (SEIsDspPin(pp.flags) && !AddSlot(pp, j))
      return false;
  }
  return true;
}

bool ModuleRunner::AddSlot(const SEPinProperties &props, int list_index) {
  if (m_pinCount == kMaxPins)
    return false;
  Slot &s = m_pins[m_pinCount];
  s.props = props;
  s.listIndex = list_index;
  if (props.datatype == DT_FSAMPLE) {
    s.own.reset(new (std::nothrow) float[static_cast<size_t>(m_capacity)]());
    if (!s.own)
      return false;
    s.buffer = s.own.get();
  }
  ++m_pinCount;
  return true;
}

bool ModuleRunner::AddPins(int count) {
  if (m_open || m_pinCount == 0 || count < 0 || count > kMaxPins - m_pinCount)
    return false;
  SEPinProperties props = m_pins[m_pinCount - 1].props;
  props.variable = nullptr; // the module keeps no variable for these
  for (int i = 0; i < count; ++i)
    if (!AddSlot(props, -1))
      return false;
  return true;
}

int ModuleRunner::PinIndex(const char *name) const {
  for (int i = 0; i < m_pinCount; ++i)
    if (m_pins[i].props.name != nullptr && std::strcmp(m_pins[i].props.name, name) == 0)
      return i;
  return -1;
}

void ModuleRunner::SetValue(int pin, intptr_t value) {
  if (pin < 0 || pin >= m_pinCount)
    return;
  m_pins[pin].value = value;
  if (!m_open)
    WriteVariable(m_pins[pin]);
}

void ModuleRunner::LinkValue(int pin, const void *variable) {
  if (pin < 0 || pin >= m_pinCount)
    return;
  m_pins[pin].linked = true;
  m_pins[pin].source = variable;
}

void ModuleRunner::SetConnected(int pin, bool connected) {
  if (pin >= 0 && pin < m_pinCount)
    m_pins[pin].connected = connected;
}

void ModuleRunner::SetStreaming(int pin, bool streaming) {
  if (pin >= 0 && pin < m_pinCount)
    m_pins[pin].streaming = streaming;
}

intptr_t ModuleRunner::OutputValue(int pin) const {
  intptr_t value = 0;
  if (pin >= 0 && pin < m_pinCount && m_pins[pin].props.variable != nullptr &&
      ReadValue(m_pins[pin].props.datatype, m_pins[pin].props.variable, value))
    return value;
  return 0;
}

// Writes what a pin's variable holds: the buffer address of an audio pin, the
// value of any other input (in the width of its data type; a linked input
// reads its source first).
void ModuleRunner::WriteVariable(const Slot &s) {
  void *var = s.props.variable;
  if (var == nullptr)
    return;
  if (s.props.datatype == DT_FSAMPLE) {
    *static_cast<float **>(var) = s.buffer;
    return;
  }
  if (s.props.direction != DR_IN)
    return;
  intptr_t value = s.value;
  if (s.linked && (s.source == nullptr || !ReadValue(s.props.datatype, s.source, value)))
    return;
  switch (s.props.datatype) {
  case DT_CHOICE: *static_cast<int16_t *>(var) = static_cast<int16_t>(value); break;
  case DT_CODE4: *static_cast<int8_t *>(var) = static_cast<int8_t>(value); break;
  case DT_CODE6: *static_cast<int32_t *>(var) = static_cast<int32_t>(value); break;
  case DT_INT32: *static_cast<intptr_t *>(var) = value; break;
  default: break;
  }
}

void ModuleRunner::Open(int64_t clock) {
  if (m_record == nullptr || m_open)
    return;
  Dispatch(DOP_SAMPLE_RATE, 0, 0, nullptr, m_sampleRate);
  Dispatch(DOP_BLOCK_SIZE, 0, m_capacity, nullptr, 0.0f);
  for (int i = 0; i < m_pinCount; ++i)
    WriteVariable(m_pins[i]);
  m_clock = m_start = clock;
  Dispatch(DOP_OPEN, 0, 0, nullptr, 0.0f);
  m_open = true;
  for (int i = 0; i < m_pinCount; ++i)
    if (m_pins[i].props.direction == DR_IN)
      QueueStatusAt(clock, i, m_pins[i].streaming ? PS_RUNNING : PS_ONCE);
}

intptr_t ModuleRunner::Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr,
                                float opt) {
  if (m_record == nullptr)
    return 0;
  if (opcode == DOP_CLOSE) {
    Close();
    return 1;
  }
  const intptr_t answer = m_record->dispatcher(m_record, opcode, index, value, ptr, opt);
  Returned(ModuleCall::kDispatcher, opcode);
  return answer;
}

void ModuleRunner::SetSampleRate(float rate) {
  m_sampleRate = rate;
  if (m_open)
    Dispatch(DOP_SAMPLE_RATE, 0, 0, nullptr, rate);
}

void ModuleRunner::SetBlockSize(int32_t size) {
  if (size >= 1 && size <= m_capacity)
    Dispatch(DOP_BLOCK_SIZE, 0, size, nullptr, 0.0f);
}

void ModuleRunner::Close() {
  if (m_record == nullptr)
    return;
  SEModuleRecord *record = m_record;
  m_record = nullptr; // the instance is gone once its close returns
  record->dispatcher(record, DOP_CLOSE, 0, 0, nullptr, 0.0f);
  Returned(ModuleCall::kDispatcher, DOP_CLOSE);
  m_store->Clear();
  for (int i = 0; i < m_pinCount; ++i)
    m_pins[i].statusPending = false;
}

void ModuleRunner::Bind(int pin, float *buffer) {
  if (pin < 0 || pin >= m_pinCount || m_pins[pin].props.datatype != DT_FSAMPLE)
    return;
  Slot &s = m_pins[pin];
  s.buffer = buffer != nullptr ? buffer : s.own.get();
  WriteVariable(s);
}

bool ModuleRunner::Enqueue(PendingEvent &e) {
  e.sequence = m_sequence++;
  return m_store->Push(e);
}

bool ModuleRunner::QueuePinEvent(int64_t clock, int pin, int32_t status, bool has_value,
                                 intptr_t value) {
  if (pin < 0 || pin >= m_pinCount || m_record == nullptr)
    return false;
  Slot &s = m_pins[pin];
  if (!has_value && s.statusPending && s.pendingClock == clock && s.pendingStatus == status)
    return true;
  PendingEvent e{};
  e.clock = clock;
  e.raw = false;
  e.pin = pin;
  e.status = status;
  e.hasValue = has_value;
  e.value = value;
  if (!Enqueue(e))
    return false;
  if (!has_value) {
    s.statusPending = true;
    s.pendingClock = clock;
    s.pendingStatus = status;
    s.pendingSequence = e.sequence;
  }
  return true;
}

bool ModuleRunner::QueueValue(int32_t offset, int pin, intptr_t value) {
  return offset >= 0 && QueuePinEvent(m_start + offset, pin, PS_ONCE, true, value);
}

bool ModuleRunner::QueueStatus(int32_t offset, int pin, int32_t status) {
  return offset >= 0 && QueuePinEvent(m_start + offset, pin, status, false, 0);
}

bool ModuleRunner::QueueValueAt(int64_t clock, int pin, intptr_t value) {
  return QueuePinEvent(clock, pin, PS_ONCE, true, value);
}

bool ModuleRunner::QueueStatusAt(int64_t clock, int pin, int32_t status) {
  return QueuePinEvent(clock, pin, status, false, 0);
}

bool ModuleRunner::QueueEventAt(int64_t clock, const SETimedEvent &event) {
  if (m_record == nullptr)
    return false;
  PendingEvent e{};
  e.clock = clock;
  e.raw = true;
  e.event = event;
  e.pin = -1;
  return Enqueue(e);
}

// A 32-bit time stamp read relative to the current call's first sample, so
// that it survives the wrap of the 32-bit clock.
int64_t ModuleRunner::Unwrap(int32_t clock32) const {
  return m_start +
         static_cast<int32_t>(static_cast<uint32_t>(clock32) - static_cast<uint32_t>(m_start));
}

bool ModuleRunner::QueueTimedEvent(const SETimedEvent &event) {
  return QueueEventAt(Unwrap(event.time_stamp), event);
}

bool ModuleRunner::DeliverDue(int64_t now) {
  for (const PendingEvent *front = m_store->Front(); front != nullptr && front->clock <= now;
       front = m_store->Front()) {
    if (m_listener != nullptr && !m_listener->Delivering())
      return false;
    PendingEvent e = *front;
    m_store->Pop();
    m_clock = now;
    if (e.raw) {
      e.event.time_stamp = static_cast<int32_t>(now);
      m_record->event_entry(m_record->instance, &e.event);
      Returned(ModuleCall::kEventEntry);
      continue;
    }
    Slot &s = m_pins[e.pin];
    if (s.statusPending && s.pendingSequence == e.sequence)
      s.statusPending = false;
    if (e.hasValue && !s.linked)
      s.value = e.value;
    WriteVariable(s);
    m_sleeping = false;
    SETimedEvent ev{};
    ev.time_stamp = static_cast<int32_t>(now);
    ev.event_type = EV_PIN_STATUS;
    ev.int_value = e.status;
    ev.ptr_value = e.pin;
    m_record->event_entry(m_record->instance, &ev);
    Returned(ModuleCall::kEventEntry);
  }
  return true;
}

void ModuleRunner::Silence(int32_t first, int32_t count) {
  for (int i = 0; i < m_pinCount; ++i) {
    const Slot &s = m_pins[i];
    if (s.props.datatype == DT_FSAMPLE && s.props.direction == DR_OUT && s.buffer != nullptr)
      std::memset(s.buffer + first, 0, sizeof(float) * static_cast<size_t>(count));
  }
}

bool ModuleRunner::Process(int32_t n) {
  if (!m_open || m_record == nullptr || n <= 0 || n > m_capacity)
    return true;
  for (int i = 0; i < m_pinCount; ++i)
    if (m_pins[i].props.datatype == DT_FSAMPLE)
      WriteVariable(m_pins[i]);
  int32_t pos = 0;
  while (pos < n) {
    const int64_t now = m_start + pos;
    if (!DeliverDue(now))
      return false;
    int64_t next = m_start + n;
    const PendingEvent *front = m_store->Front();
    if (front != nullptr && front->clock < next)
      next = front->clock;
    if (next <= now)
      continue; // an event the module queued for now while one was delivered
    const int32_t count = static_cast<int32_t>(next - now);
    if (!m_sleeping) {
      m_clock = now;
      ++m_processCalls;
      m_record->process(m_record->instance, pos, count);
      Returned(ModuleCall::kProcess);
    } else if (m_silenceAsleep) {
      Silence(pos, count);
    }
    pos += count;
  }
  m_start += n;
  m_clock = m_start;
  return true;
}

intptr_t ModuleRunner::OnRequest(int32_t opcode, int32_t index, int32_t value, void *ptr,
                                 float opt) {
  if (m_listener != nullptr)
    m_listener->Requested(opcode, index, value, ptr, opt);
  const bool valid_pin = index >= 0 && index < m_pinCount;
  switch (opcode) {
  case HRQ_PIN_STATUS:
    if (valid_pin && m_pins[index].props.direction == DR_OUT && m_listener != nullptr)
      m_listener->StatusPosted(index, Unwrap(static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr))),
                               value);
    return 0;
  case HRQ_PIN_CONNECTED: return valid_pin && m_pins[index].connected ? 1 : 0;
  case HRQ_SAMPLE_CLOCK: return static_cast<int32_t>(m_clock);
  case HRQ_PIN_BUFFER: return valid_pin ? reinterpret_cast<intptr_t>(m_pins[index].buffer) : 0;
  case HRQ_BLOCK_START_CLOCK: return static_cast<int32_t>(m_start);
  case HRQ_SLEEP: m_sleeping = true; return 0;
  case HRQ_PIN_COUNT: return m_pinCount;
  case HRQ_ADD_EVENT:
    if (ptr != nullptr && !QueueTimedEvent(*static_cast<const SETimedEvent *>(ptr)))
      ++m_dropped;
    return 0;
  case HRQ_PROCESS_CHANGED: return 0; // the entry is read from the record at every call
  default: return 0;
  }
}

} // namespace se_runtime
