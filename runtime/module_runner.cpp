#include "module_runner.h"

#include <cstring>
#include <new>

namespace se_runtime {

namespace {

intptr_t SE_CDECL RunnerCallback(void *record, int32_t opcode, int32_t index, int32_t value,
                                 void *ptr, float) {
  if (record == nullptr)
    return 0;
  auto *runner = reinterpret_cast<ModuleRunner *>(static_cast<SEModuleRecord *>(record)->host_data);
  return runner != nullptr ? runner->OnRequest(opcode, index, value, ptr) : 0;
}

// The same limit our host puts on a pin list.
constexpr int kMaxPinList = 4096;

} // namespace

ModuleRunner::~ModuleRunner() {
  if (m_record != nullptr)
    m_record->dispatcher(m_record, DOP_CLOSE, 0, 0, nullptr, 0.0f);
}

bool ModuleRunner::Create(const se::PluginEntry &entry, float sample_rate, int32_t capacity) {
  if (m_record != nullptr || capacity <= 0 || !(sample_rate > 0.0f))
    return false;
  m_sampleRate = sample_rate;
  m_capacity = capacity;
  void *record = entry.makeModule(0, MT_DSP, &RunnerCallback, reinterpret_cast<intptr_t>(this));
  if (record == nullptr)
    return false;
  m_record = static_cast<SEModuleRecord *>(record);
  for (int j = 0; j < kMaxPinList; ++j) {
    SEPinProperties pp;
    std::memset(&pp, 0, sizeof pp);
    if (m_record->dispatcher(m_record, DOP_PIN_PROPERTIES, j, 0, &pp, 0.0f) == 0)
      break;
    if (!SEIsDspPin(pp.flags))
      continue;
    if (m_pinCount == kMaxPins)
      return false;
    Slot &s = m_pins[m_pinCount++];
    s.props = pp;
    if (pp.datatype == DT_FSAMPLE) {
      s.own.reset(new (std::nothrow) float[static_cast<size_t>(capacity)]());
      if (!s.own)
        return false;
      s.buffer = s.own.get();
    }
  }
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

void ModuleRunner::SetConnected(int pin, bool connected) {
  if (pin >= 0 && pin < m_pinCount)
    m_pins[pin].connected = connected;
}

void ModuleRunner::SetStreaming(int pin, bool streaming) {
  if (pin >= 0 && pin < m_pinCount)
    m_pins[pin].streaming = streaming;
}

intptr_t ModuleRunner::OutputValue(int pin) const {
  if (pin < 0 || pin >= m_pinCount || m_pins[pin].props.variable == nullptr)
    return 0;
  const void *var = m_pins[pin].props.variable;
  switch (m_pins[pin].props.datatype) {
  case DT_CHOICE: return *static_cast<const int16_t *>(var);
  case DT_INT32: return *static_cast<const intptr_t *>(var);
  default: return 0;
  }
}

// Writes what a pin's variable holds: the buffer address of an audio pin, the
// value of any other input (in the width of its data type, as our host does).
void ModuleRunner::WriteVariable(const Slot &s) {
  void *var = s.props.variable;
  if (var == nullptr)
    return;
  switch (s.props.datatype) {
  case DT_FSAMPLE: *static_cast<float **>(var) = s.buffer; break;
  case DT_CHOICE:
    if (s.props.direction == DR_IN)
      *static_cast<int16_t *>(var) = static_cast<int16_t>(s.value);
    break;
  case DT_INT32:
    if (s.props.direction == DR_IN)
      *static_cast<intptr_t *>(var) = s.value;
    break;
  default: break;
  }
}

void ModuleRunner::Open() {
  if (m_record == nullptr || m_open)
    return;
  m_record->dispatcher(m_record, DOP_SAMPLE_RATE, 0, 0, nullptr, m_sampleRate);
  m_record->dispatcher(m_record, DOP_BLOCK_SIZE, 0, m_capacity, nullptr, 0.0f);
  for (int i = 0; i < m_pinCount; ++i)
    WriteVariable(m_pins[i]);
  m_clock = m_start = 0;
  m_record->dispatcher(m_record, DOP_OPEN, 0, 0, nullptr, 0.0f);
  m_open = true;
  for (int i = 0; i < m_pinCount; ++i)
    if (m_pins[i].props.direction == DR_IN)
      QueueStatus(0, i, m_pins[i].streaming ? PS_RUNNING : PS_ONCE);
}

void ModuleRunner::Bind(int pin, float *buffer) {
  if (pin < 0 || pin >= m_pinCount || m_pins[pin].props.datatype != DT_FSAMPLE)
    return;
  Slot &s = m_pins[pin];
  s.buffer = buffer != nullptr ? buffer : s.own.get();
  WriteVariable(s);
}

// Keeps the queue in clock order; events due at the same clock stay in the
// order they were queued.
bool ModuleRunner::Enqueue(const Event &e) {
  if (m_eventCount == kMaxEvents)
    return false;
  int at = m_eventCount;
  while (at > 0 && (m_events[at - 1].clock > e.clock || (m_events[at - 1].clock == e.clock &&
                                                         m_events[at - 1].sequence > e.sequence))) {
    m_events[at] = m_events[at - 1];
    --at;
  }
  m_events[at] = e;
  ++m_eventCount;
  return true;
}

bool ModuleRunner::QueuePinEvent(int32_t offset, int pin, int32_t status, bool has_value,
                                 intptr_t value) {
  if (pin < 0 || pin >= m_pinCount || offset < 0)
    return false;
  Event e{};
  e.clock = m_start + offset;
  e.sequence = m_sequence++;
  e.pin = pin;
  e.hasValue = has_value;
  e.value = value;
  e.event.int_value = status;
  return Enqueue(e);
}

bool ModuleRunner::QueueValue(int32_t offset, int pin, intptr_t value) {
  return QueuePinEvent(offset, pin, PS_ONCE, true, value);
}

bool ModuleRunner::QueueStatus(int32_t offset, int pin, int32_t status) {
  return QueuePinEvent(offset, pin, status, false, 0);
}

void ModuleRunner::DeliverDue(int64_t now) {
  while (m_eventCount > 0 && m_events[0].clock <= now) {
    Event e = m_events[0];
    --m_eventCount;
    for (int i = 0; i < m_eventCount; ++i)
      m_events[i] = m_events[i + 1];
    m_clock = now;
    if (e.moduleEvent) {
      e.event.time_stamp = static_cast<int32_t>(now);
      m_record->event_entry(m_record->instance, &e.event);
      continue;
    }
    Slot &s = m_pins[e.pin];
    if (e.hasValue) {
      s.value = e.value;
      WriteVariable(s);
    }
    m_sleeping = false;
    SETimedEvent ev{};
    ev.time_stamp = static_cast<int32_t>(now);
    ev.event_type = EV_PIN_STATUS;
    ev.int_value = e.event.int_value;
    ev.ptr_value = e.pin;
    m_record->event_entry(m_record->instance, &ev);
  }
}

void ModuleRunner::Silence(int32_t first, int32_t count) {
  for (int i = 0; i < m_pinCount; ++i) {
    const Slot &s = m_pins[i];
    if (s.props.datatype == DT_FSAMPLE && s.props.direction == DR_OUT && s.buffer != nullptr)
      std::memset(s.buffer + first, 0, sizeof(float) * static_cast<size_t>(count));
  }
}

void ModuleRunner::Process(int32_t n) {
  if (!m_open || n <= 0 || n > m_capacity)
    return;
  int32_t pos = 0;
  while (pos < n) {
    const int64_t now = m_start + pos;
    DeliverDue(now);
    int64_t next = m_start + n;
    if (m_eventCount > 0 && m_events[0].clock < next)
      next = m_events[0].clock;
    if (next <= now)
      continue; // an event the module queued for now while one was delivered
    const int32_t count = static_cast<int32_t>(next - now);
    if (m_sleeping) {
      Silence(pos, count);
    } else {
      m_clock = now;
      m_record->process(m_record->instance, pos, count);
    }
    pos += count;
  }
  m_start += n;
  m_clock = m_start;
}

intptr_t ModuleRunner::OnRequest(int32_t opcode, int32_t index, int32_t value, void *ptr) {
  const bool valid_pin = index >= 0 && index < m_pinCount;
  switch (opcode) {
  case HRQ_PIN_STATUS: return 0; // no module listens to this one's outputs
  case HRQ_PIN_CONNECTED: return valid_pin && m_pins[index].connected ? 1 : 0;
  case HRQ_SAMPLE_CLOCK: return static_cast<int32_t>(m_clock);
  case HRQ_PIN_BUFFER: return valid_pin ? reinterpret_cast<intptr_t>(m_pins[index].buffer) : 0;
  case HRQ_BLOCK_START_CLOCK: return static_cast<int32_t>(m_start);
  case HRQ_SLEEP: m_sleeping = true; return 0;
  case HRQ_PIN_COUNT: return m_pinCount;
  case HRQ_ADD_EVENT: {
    if (ptr == nullptr)
      return 0;
    Event e{};
    e.event = *static_cast<SETimedEvent *>(ptr);
    // The 32-bit time stamp is read relative to the current call's start.
    e.clock = m_start + static_cast<int32_t>(static_cast<uint32_t>(e.event.time_stamp) -
                                             static_cast<uint32_t>(m_start));
    e.sequence = m_sequence++;
    e.moduleEvent = true;
    Enqueue(e);
    return 0;
  }
  case HRQ_PROCESS_CHANGED: return 0; // the entry is read from the record at every call
  default: (void)value; return 0;
  }
}

} // namespace se_runtime
