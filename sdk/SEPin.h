// One pin object per DSP pin of an instance: its value storage, its status and
// the requests a module makes about it.
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

  // Binds the pin to its module once, at open. Without a variable the pin keeps
  // its value in m_own_value (a DT_FSAMPLE pin asks the host for its buffer).
  void Attach(SEModule_base *module, int32_t index, int32_t datatype, void *variable);

  // Sets the status, tells the module, and lets PS_ONCE fall back to PS_STATIC.
  void ApplyStatus(int32_t status);

  // Announces a status of an output at the given sample clock.
  void PostStatus(int32_t clock, int32_t status);

  bool HasConnection();

  // The sample of an audio pin at the current sample clock.
  float CurrentSample();

  bool IsAttached() const { return m_module != nullptr; }
  int32_t getStatus() const { return m_status; }
  int32_t getIndex() const { return m_index; }
  int32_t getDatatype() const { return m_datatype; }
  void *getValuePtr() const { return m_value_ptr; }

private:
  void *m_value_ptr = nullptr;
  SEModule_base *m_module = nullptr;
  int32_t m_index = -1;
  int32_t m_status = PS_STATIC;
  int32_t m_datatype = -1;
  intptr_t m_own_value = 0; // pointer-sized: holds a buffer address on 64-bit builds
};

#endif // SE_PIN_H
