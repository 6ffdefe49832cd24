// The runner's own event store: a fixed array kept in delivery order, for
// the real-time path (no allocation, no lock). Full: Push answers false.
#ifndef SE_RUNTIME_FIXED_EVENT_QUEUE_H
#define SE_RUNTIME_FIXED_EVENT_QUEUE_H

#include "event_store.h"

namespace se_runtime {

template <int Capacity> class FixedEventQueue final : public EventStore {
public:
  static constexpr int kCapacity = Capacity;

  bool Push(const PendingEvent &e) override {
    if (m_count == Capacity)
      return false;
    // From the back: events are mostly queued in clock order.
    int at = m_count;
    while (at > 0 && Before(e, m_events[at - 1])) {
      m_events[at] = m_events[at - 1];
      --at;
    }
    m_events[at] = e;
    ++m_count;
    return true;
  }
  const PendingEvent *Front() const override { return m_count > 0 ? &m_events[0] : nullptr; }
  void Pop() override {
    --m_count;
    for (int i = 0; i < m_count; ++i)
      m_events[i] = m_events[i + 1];
  }
  void Clear() override { m_count = 0; }
  int Count() const { return m_count; }

private:
  PendingEvent m_events[Capacity];
  int m_count = 0;
};

} // namespace se_runtime

#endif // SE_RUNTIME_FIXED_EVENT_QUEUE_H
