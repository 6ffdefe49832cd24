#include "se_pin.h"

#include "se_module_base.h"

#include <cstring>

void SEPin::Attach(SEModule_base *module, int32_t index, int32_t datatype, void *variable) {
  m_module = module;
  m_index = index;
  m_datatype = datatype;
  m_value_ptr = variable;
  m_status = PS_STATIC;
  m_own_value = 0;
  if (variable != nullptr)
    return;
  switch (datatype) {
  case DT_CHOICE: // a 16-bit zero
  case DT_CODE4:  // an 8-bit zero
  case DT_CODE6:
  case DT_INT32: break; // m_own_value is already zero in every width
  case DT_FSAMPLE: m_own_value = module->HostRequest(HRQ_PIN_BUFFER, index); break;
  default: return; // no value storage for the host's other datatypes
  }
  m_value_ptr = &m_own_value;
}

void SEPin::ApplyStatus(int32_t status) {
  if (m_module == nullptr)
    return;
  m_status = status;
  m_module->PinChanged(this);
  if (status == PS_ONCE)
    m_status = PS_STATIC;
}

void SEPin::PostStatus(int32_t clock, int32_t status) {
  if (m_module == nullptr)
    return;
  m_module->HostRequest(HRQ_PIN_STATUS, m_index, status,
                        reinterpret_cast<void *>(static_cast<intptr_t>(clock)));
}

bool SEPin::HasConnection() {
  if (m_module == nullptr)
    return false;
  return m_module->HostRequest(HRQ_PIN_CONNECTED, m_index) != 0;
}

float SEPin::CurrentSample() {
  SE_ASSERT(m_datatype == DT_FSAMPLE, "m_datatype == DT_FSAMPLE", SE_SRC_PIN);
  if (m_module == nullptr || m_datatype != DT_FSAMPLE || m_value_ptr == nullptr)
    return 0.0f;
  const float *buffer = *static_cast<float *const *>(m_value_ptr);
  if (buffer == nullptr)
    return 0.0f;
  const intptr_t position = static_cast<intptr_t>(m_module->SampleClock()) -
                            m_module->HostRequest(HRQ_BLOCK_START_CLOCK, m_index);
  // A position outside the current block is a host fault; the buffer holds one block.
  if (position < 0 || position >= m_module->BlockSize())
    return 0.0f;
  return buffer[position];
}
