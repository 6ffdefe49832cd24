// Base of every GUI instance. The modules of this system add no graphical
// behaviour, so every request gets the base answer: accepted, nothing done, 0.
// Closed like the DSP base: the record and the dispatcher are private; a GUI
// module may override only the hooks.
#ifndef SE_GUI_BASE_H
#define SE_GUI_BASE_H

#include "se_abi.h"

namespace se {
struct InstanceRecords;
}

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
  virtual ~SEGUI_base() = default; // runs at GOP_CLOSE, after GuiClose
  SEGUI_base(const SEGUI_base &) = delete;
  SEGUI_base &operator=(const SEGUI_base &) = delete;

private:
  // ---- Hooks a GUI module may override, one per GUI opcode (GOP_*, se_abi.h);
  // the base versions do nothing and OnGuiOpcode10 answers false ----
  virtual void OnGuiOpcode0(bool) {}
  virtual void GuiClose() {} // GOP_CLOSE, before the instance destroys itself
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

  // ---- What answers the host ----
  friend struct se::InstanceRecords; // hands the record to makeModule

  static intptr_t SE_CDECL DispatcherEntry(void *record, int32_t opcode, int32_t index,
                                           int32_t value, void *ptr, float opt);
  intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt);

  SEHostCallback m_host; // never called: no GUI request of ours needs the host
  SEGuiRecord m_record;
};

#endif // SE_GUI_BASE_H
