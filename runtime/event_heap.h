// An event store without a limit, for front ends that are not real time (the
// host core, the fuzz rig): a binary heap in a vector, O(log n) per event.
// Push allocates when the vector grows, so a runner given this store is no
// longer allocation-free while it runs.
#ifndef SE_RUNTIME_EVENT_HEAP_H
#define SE_RUNTIME_EVENT_HEAP_H

#include "event_store.h"

#include <algorithm>
#include <vector>

namespace se_runtime {

class EventHeap final : public EventStore {
public:
  bool Push(const PendingEvent &e) override {
    m_events.push_back(e);
    std::push_heap(m_events.begin(), m_events.end(), Later);
    return true;
  }
  const PendingEvent *Front() const override {
    return m_events.empty() ? nullptr : &m_events.front();
  }
  void Pop() override {
    std::pop_heap(m_events.begin(), m_events.end(), Later);
    m_events.pop_back();
  }
  void Clear() override { m_events.clear(); }
  size_t Count() const { return m_events.size(); }

private:
  // The heap's front is the event no other comes before.
  static bool Later(const PendingEvent &a, const PendingEvent &b) { return Before(b, a); }
  std::vector<PendingEvent> m_events;
};

} // namespace se_runtime

#endif // SE_RUNTIME_EVENT_HEAP_H
