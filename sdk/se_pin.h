// One pin object per DSP pin of an instance: its value storage, its status and
// the requests a module makes about it. The module base creates, attaches and
// updates the pins; a module only reads them and sends requests through them.
#ifndef SE_PIN_H
#define SE_PIN_H

#include "se_abi.h"

class SEModule_base;

class SEPin {
public:
  SEPin() = default;
  virtual ~SEPin() = default;
  SEPin(const SEPin &) = delete;
  SEPin &operator=(const SEPin &) = delete;

  // Announces a status of an output at the given sample clock (HRQ_PIN_STATUS).
  // The pin's own status does not change: the host keeps the connections' state.
  void PostStatus(int32_t clock, int32_t status);

  // Whether the host has a connection on the pin (HRQ_PIN_CONNECTED).
  bool HasConnection();

  // The sample of an audio pin at the current sample clock (two host requests:
  // for pin changes, not per sample).
  float CurrentSample();

  int32_t Status() const { return m_status; }     // PS_*
  int32_t Index() const { return m_index; }       // the DSP pin index
  int32_t Datatype() const { return m_datatype; } // DT_*
  void *ValuePtr() const { return m_value_ptr; }  // the variable, m_own_value or null

private:
  friend class SEModule_base;

  // Binds the pin to its module once, at open. Without a variable the pin keeps
  // its value in m_own_value (a DT_FSAMPLE pin asks the host for its buffer).
  void Attach(SEModule_base *module, int32_t index, int32_t datatype, void *variable);
  // Sets the status, tells the module, and lets PS_ONCE fall back to PS_STATIC.
  void ApplyStatus(int32_t status);
  bool IsAttached() const { return m_module != nullptr; }

  void *m_value_ptr = nullptr;
  SEModule_base *m_module = nullptr;
  int32_t m_index = -1;
  int32_t m_status = PS_STATIC;
  int32_t m_datatype = -1;
  intptr_t m_own_value = 0; // pointer-sized: holds a buffer address on 64-bit builds
};

#endif // SE_PIN_H
