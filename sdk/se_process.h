// Process routines are member functions of a module's class. The host calls
// them through a plain C entry; each routine gets its own entry (a thunk
// generated here), so the call goes straight into the routine with no
// dispatch in between. A routine reference is that entry.
#ifndef SE_PROCESS_H
#define SE_PROCESS_H

#include "se_abi.h"

class SEModule_base;

namespace se {

template <class T> struct MemberOf;
template <class C> struct MemberOf<void (C::*)(int32_t, int32_t)> { using type = C; };
template <class C> struct MemberOf<void (C::*)()> { using type = C; };

template <class M, void (M::*F)(int32_t, int32_t)>
void SE_CDECL ProcessThunk(void *instance, int32_t first, int32_t count) {
  (static_cast<M *>(static_cast<SEModule_base *>(instance))->*F)(first, count);
}

template <class M, void (M::*F)()> void SE_CDECL RoutineThunk(void *instance) {
  (static_cast<M *>(static_cast<SEModule_base *>(instance))->*F)();
}

// Process<&Module::processX> is the entry of that process routine.
template <auto F>
inline constexpr SEProcessEntry Process = &ProcessThunk<typename MemberOf<decltype(F)>::type, F>;

// Routine<&Module::onTimer> is the entry of a routine run by an EV_RUN_ROUTINE event.
template <auto F>
inline constexpr SERoutineEntry Routine = &RoutineThunk<typename MemberOf<decltype(F)>::type, F>;

} // namespace se

#endif // SE_PROCESS_H
