#include "se_module_base.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

// Largest pin count the framework accepts from the host; a larger answer is a
// host fault and would only exhaust memory.
constexpr intptr_t kMaxPins = 4096;

void CheckPatchStoreRule(const SEPinProperties *ptr) {
  (void)ptr;
  SE_ASSERT(
      (((SEPinProperties *)ptr)->flags & IO_PATCH_STORE) == 0 ||
          (((SEPinProperties *)ptr)->flags & IO_PRIVATE) != 0 ||
          ((SEPinProperties *)ptr)->direction == DR_OUT ||
          (((SEPinProperties *)ptr)->flags & IO_UI_COMMUNICATION) != 0,
      "(((SEPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || (((SEPinProperties*)ptr)->flags "
      "& IO_PRIVATE) != 0 || ((SEPinProperties*)ptr)->direction == DR_OUT || ( ( "
      "(SEPinProperties*)ptr)->flags & IO_UI_COMMUNICATION) != 0",
      SE_SRC_MODULE_BASE);
}

SEPin g_inert_pin; // never attached: every request on it does nothing

} // namespace

SEModule_base::SEModule_base(SEHostCallback host, intptr_t host_data)
    : m_host(host), m_sample_rate(44100.0f), m_block_size(1024), m_largest_block_size(1024),
      m_pins(nullptr), m_pin_count(0), m_process(se::Process<&SEModule_base::defaultProcess>) {
  std::memset(&m_record, 0, sizeof m_record);
  m_record.magic = SE_MODULE_MAGIC;
  m_record.version = SE_RECORD_VERSION;
  m_record.host_data = host_data;
  m_record.instance = this;
  m_record.dispatcher = &DispatcherEntry;
  m_record.event_entry = &EventEntry;
  m_record.process = m_process;
}

SEModule_base::~SEModule_base() { delete[] m_pins; }

intptr_t SE_CDECL SEModule_base::DispatcherEntry(void *record, int32_t opcode, int32_t index,
                                                 int32_t value, void *ptr, float opt) {
  if (record == nullptr)
    return 0;
  auto *self = static_cast<SEModule_base *>(static_cast<SEModuleRecord *>(record)->instance);
  try {
    return self->Dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0; // no exception crosses into the host
  }
}

void SE_CDECL SEModule_base::EventEntry(void *instance, SETimedEvent *e) {
  if (instance == nullptr || e == nullptr)
    return;
  try {
    static_cast<SEModule_base *>(instance)->DeliverEvent(e);
  } catch (...) {
  }
}

intptr_t SEModule_base::Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr,
                                 float opt) {
  switch (opcode) {
  case DOP_OPEN: Open(); return 0;
  case DOP_CLOSE:
    CloseInstance();
    delete this;
    return 1;
  case DOP_SAMPLE_RATE: ChangeSampleRate(opt); return 0;
  case DOP_BLOCK_SIZE: ChangeBlockSize(value); return 0;
  case DOP_PIN_PROPERTIES: {
    if (ptr == nullptr || index < 0)
      return 0;
    auto *props = static_cast<SEPinProperties *>(ptr);
    const bool described = DescribePin(index, props);
    CheckPatchStoreRule(props);
    return described ? 1 : 0;
  }
  case DOP_CODE7:
  case DOP_CODE10: SE_ASSERT(false, "false", SE_SRC_MODULE_BASE); return 0;
  case DOP_CODE8:
    OnHostOpcode8();
    if (index > 0)
      OnHostOpcode8Index(index);
    return 0;
  case DOP_CODE12: OnHostOpcode12(value, index, ptr); return 0;
  case DOP_PROCESS_REFERENCE:
    m_process_reference.one = 1;
    m_process_reference.size = static_cast<int32_t>(sizeof m_process);
    m_process_reference.process_field = reinterpret_cast<intptr_t>(&m_process);
    m_process_reference.zero = 0;
    return reinterpret_cast<intptr_t>(&m_process_reference);
  default: return 0;
  }
}

void SEModule_base::ChangeSampleRate(float rate) {
  // Modules divide by the rate; a rate that is not a positive finite number
  // keeps the one in force.
  SE_ASSERT(std::isfinite(rate) && rate > 0.0f, "sample rate > 0", SE_SRC_MODULE_BASE);
  if (std::isfinite(rate) && rate > 0.0f)
    m_sample_rate = rate;
}

void SEModule_base::ChangeBlockSize(int32_t size) {
  SE_ASSERT(size > 0, "block size > 0", SE_SRC_MODULE_BASE);
  if (size > 0)
    m_block_size = size;
  if (m_block_size > m_largest_block_size)
    m_largest_block_size = m_block_size;
}

bool SEModule_base::DescribePin(int32_t, SEPinProperties *) { return false; }

void SEModule_base::PinChanged(SEPin *) {}

void SEModule_base::Open() {
  m_largest_block_size = m_block_size;
  CreatePins();
  OpenInstance();
}

void SEModule_base::CreatePins() {
  if (m_pins != nullptr)
    return; // a second open keeps the pins it has
  intptr_t n = HostRequest(HRQ_PIN_COUNT);
  SE_ASSERT(n >= 0 && n <= kMaxPins, "pin count within 0 .. 4096", SE_SRC_MODULE_BASE);
  if (n <= 0 || n > kMaxPins)
    return;
  m_pins = new (std::nothrow) SEPin[static_cast<size_t>(n)];
  if (m_pins == nullptr)
    return;
  m_pin_count = static_cast<int32_t>(n);

  SEPinProperties props;
  int32_t i = 0;
  int32_t j = 0;
  while (i < m_pin_count && ReadPinProperties(j, &props)) {
    if (SEIsDspPin(props.flags)) {
      m_pins[i].Attach(this, i, props.datatype, props.variable);
      ++i;
    }
    ++j;
  }
  if (j == 0)
    return;
  ReadPinProperties(j - 1, &props);
  if (SEIsDspPin(props.flags) && (props.flags & IO_REPEAT_LAST) != 0) {
    for (; i < m_pin_count; ++i)
      m_pins[i].Attach(this, i, props.datatype, nullptr);
  }
}

intptr_t SEModule_base::HostRequest(int32_t opcode, int32_t index, int32_t value, void *ptr,
                                    float opt) {
  if (m_host == nullptr)
    return 0;
  return m_host(&m_record, opcode, index, value, ptr, opt);
}

int32_t SEModule_base::SampleClock() { return static_cast<int32_t>(HostRequest(HRQ_SAMPLE_CLOCK)); }

SEPin *SEModule_base::PinAt(int32_t index) {
  SE_ASSERT(m_pins != 0, "m_pins != 0", SE_SRC_MODULE_BASE);
  if (m_pins == nullptr || index < 0 || index >= m_pin_count)
    return &g_inert_pin;
  return &m_pins[index];
}

bool SEModule_base::ReadPinProperties(int32_t index, SEPinProperties *properties) {
  std::memset(properties, 0, sizeof *properties);
  if (index < 0)
    return false;
  return DescribePin(index, properties);
}

void SEModule_base::InstallProcessRoutine(SEProcessEntry routine) {
  if (routine == m_process || routine == nullptr)
    return;
  m_process = routine;
  m_record.process = routine;
  HostRequest(HRQ_PROCESS_CHANGED);
}

void SEModule_base::DeliverEvent(const SETimedEvent *e) {
  SE_ASSERT(e->time_stamp == SampleClock(), "e->time_stamp == SampleClock()", SE_SRC_MODULE_BASE);
  switch (e->event_type) {
  case EV_PIN_STATUS: {
    const intptr_t index = e->ptr_value;
    const bool valid = index >= 0 && index < m_pin_count && m_pins[index].IsAttached();
    SE_ASSERT(valid, "e->ptr_value < pin count", SE_SRC_MODULE_BASE);
    if (valid)
      m_pins[index].ApplyStatus(e->int_value);
    break;
  }
  case EV_DATA:
    OnEventType2(e->time_stamp, e->int_value, static_cast<int16_t>(e->short_value & 0xFFFF));
    break;
  case EV_RUN_ROUTINE: {
    auto routine = reinterpret_cast<SERoutineEntry>(e->ptr_value);
    const bool known = IsKnownRoutine(routine);
    SE_ASSERT(known, "routine queued by this instance", SE_SRC_MODULE_BASE);
    if (known)
      routine(this);
    break;
  }
  default: break;
  }
}

bool SEModule_base::IsKnownRoutine(SERoutineEntry routine) const {
  if (routine == nullptr)
    return false;
  for (SERoutineEntry known : m_queued_routines)
    if (known == routine)
      return true;
  return false;
}

void SEModule_base::QueueEvent(int32_t time_stamp, int32_t event_type, int32_t int_value,
                               int32_t short_value, intptr_t ptr_value) {
  SE_ASSERT(time_stamp >= SampleClock(), "p_time_stamp >= SampleClock()", SE_SRC_MODULE_BASE);
  SETimedEvent e{};
  e.time_stamp = time_stamp;
  e.event_type = event_type;
  e.int_value = int_value;
  e.short_value = short_value;
  e.ptr_value = ptr_value;
  e.reserved = 0;
  HostRequest(HRQ_ADD_EVENT, 0, 0, &e, 0.0f);
}

void SEModule_base::QueueRoutine(int32_t time_stamp, SERoutineEntry routine) {
  if (!IsKnownRoutine(routine)) {
    for (SERoutineEntry &slot : m_queued_routines) {
      if (slot == nullptr) {
        slot = routine;
        break;
      }
    }
  }
  QueueEvent(time_stamp, EV_RUN_ROUTINE, 0, 0, reinterpret_cast<intptr_t>(routine));
}
