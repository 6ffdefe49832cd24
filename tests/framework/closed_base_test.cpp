// The module base is closed: a module reaches the services, never what answers
// the host. Checked at compile time, from inside a derived class (where the
// protected services are in reach) and from outside (where nothing is).
#include "se_module_base.h"

namespace {

struct Probe : SEModule_base {
  template <class T> static constexpr bool kServices = requires(T &m) {
    m.HostRequest(HRQ_SLEEP);
    m.SampleClock();
    m.PinAt(0);
    m.InstallProcessRoutine(nullptr);
    m.QueueRoutine(0, nullptr);
  };
  template <class T> static constexpr bool kDispatch = requires(T &m) {
    m.Dispatch(DOP_OPEN, 0, 0, nullptr, 0.0f);
  };
  template <class T> static constexpr bool kDeliver = requires(T &m) { m.DeliverEvent(nullptr); };
  template <class T> static constexpr bool kRecord = requires(T &m) { m.m_record; };
  template <class T> static constexpr bool kPinCreation = requires(T &m) { m.CreatePins(); };
  template <class T> static constexpr bool kBaseOpen = requires(T &m) {
    m.SEModule_base::OpenInstance();
  };
  template <class P> static constexpr bool kPinAttach = requires(P &p) {
    p.Attach(nullptr, 0, DT_CHOICE, nullptr);
  };
};

static_assert(Probe::kServices<Probe>, "a module calls the services");
static_assert(!Probe::kDispatch<Probe> && !Probe::kDeliver<Probe>, "the host's entries are closed");
static_assert(!Probe::kRecord<Probe> && !Probe::kPinCreation<Probe>, "bookkeeping is closed");
static_assert(!Probe::kBaseOpen<Probe>, "pin creation is not the module's to call");
static_assert(!Probe::kPinAttach<SEPin>, "only the base attaches pins");

template <class T> constexpr bool kOutsideServices = requires(T &m) { m.PinAt(0); };
static_assert(!kOutsideServices<Probe>, "services are the module's own");

} // namespace
