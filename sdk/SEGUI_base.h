// Base of every GUI instance. The modules of this system add no graphical
// behaviour, so every request gets the base answer: accepted, nothing done, 0.
#ifndef SE_GUI_BASE_H
#define SE_GUI_BASE_H

#include "se_abi.h"

struct SEGuiPair {
  int32_t index;
  int32_t value;
};

struct SEGuiInstancePair {
  int32_t index;
  void *instance;
};

class SEGUI_base {
public:
  SEGUI_base(SEHostCallback host, intptr_t host_data);
  virtual ~SEGUI_base() = default;
  SEGUI_base(const SEGUI_base &) = delete;
  SEGUI_base &operator=(const SEGUI_base &) = delete;

  virtual intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt);
  virtual void OnGuiOpcode0(bool) {}
  virtual void GuiClose() {}
  virtual void OnGuiOpcode2(int32_t, void *) {}
  virtual void OnGuiOpcode3(void *, float, SEGuiPair) {}
  virtual void OnGuiOpcode4(void *, float, SEGuiPair) {}
  virtual void OnGuiOpcode5(void *, float, SEGuiPair) {}
  virtual void OnGuiOpcode8(void *) {}
  virtual void OnGuiOpcode9(void *) {}
  virtual bool OnGuiOpcode10() { return false; }
  virtual void OnGuiOpcode11(int32_t) {}
  virtual void OnGuiOpcode12(int32_t) {}
  virtual void OnGuiOpcode6(int32_t, int32_t, void *) {}
  virtual void OnGuiOpcode7(SEGuiInstancePair *) {}

  SEGuiRecord *Record() { return &m_record; }

private:
  static intptr_t SE_CDECL DispatcherEntry(void *record, int32_t opcode, int32_t index,
                                           int32_t value, void *ptr, float opt);

  SEHostCallback m_host;
  SEGuiRecord m_record;
};

#endif // SE_GUI_BASE_H
