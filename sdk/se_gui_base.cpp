#include "se_gui_base.h"

#include <cstring>

SEGUI_base::SEGUI_base(SEHostCallback host, intptr_t host_data) : m_host(host) {
  std::memset(&m_record, 0, sizeof m_record);
  m_record.magic = SE_GUI_MAGIC;
  m_record.version = SE_RECORD_VERSION;
  m_record.dispatcher = &DispatcherEntry;
  m_record.host_data = host_data;
  m_record.instance = this;
}

intptr_t SE_CDECL SEGUI_base::DispatcherEntry(void *record, int32_t opcode, int32_t index,
                                              int32_t value, void *ptr, float opt) {
  if (record == nullptr)
    return 0;
  auto *self = static_cast<SEGUI_base *>(static_cast<SEGuiRecord *>(record)->instance);
  try {
    return self->Dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

intptr_t SEGUI_base::Dispatch(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt) {
  const SEGuiPair pair{index, value};
  switch (opcode) {
  case GOP_CODE0: OnGuiOpcode0(index == 1); return 0;
  case GOP_CLOSE:
    GuiClose();
    delete this;
    return 1;
  case GOP_CODE2: OnGuiOpcode2(index, ptr); return 0;
  case GOP_CODE3: OnGuiOpcode3(ptr, opt, pair); return 0;
  case GOP_CODE4: OnGuiOpcode4(ptr, opt, pair); return 0;
  case GOP_CODE5: OnGuiOpcode5(ptr, opt, pair); return 0;
  case GOP_CODE6: OnGuiOpcode6(value, index, ptr); return 0;
  case GOP_CODE7: {
    SEGuiInstancePair call_pair{index, this};
    OnGuiOpcode7(&call_pair);
    return 0;
  }
  case GOP_CODE8: OnGuiOpcode8(ptr); return 0;
  case GOP_CODE9: OnGuiOpcode9(ptr); return 0;
  case GOP_CODE10: return OnGuiOpcode10() ? 1 : 0;
  case GOP_CODE11: OnGuiOpcode11(index); return 0;
  case GOP_CODE12: OnGuiOpcode12(index); return 0;
  default: return 0;
  }
}
