// Where a module runner keeps the events still to come: an event waiting for
// its sample clock, and the store interface that orders them.
//
// Order: the earliest clock first; events due at one clock in the order they
// were queued (their sequence, which the runner numbers). Every store keeps
// this order; they differ only in what they hold and where they keep it.
#ifndef SE_RUNTIME_EVENT_STORE_H
#define SE_RUNTIME_EVENT_STORE_H

#include "se_abi.h"

#include <cstdint>

namespace se_runtime {

struct PendingEvent {
  int64_t clock;
  uint64_t sequence;
  // A module's own event (HRQ_ADD_EVENT) or one queued raw: delivered as it
  // was queued, its time stamp replaced by the clock it is delivered at.
  bool raw;
  SETimedEvent event; // raw events
  int pin;            // pin-status events: the input, its status, and maybe a new value
  int32_t status;
  bool hasValue;
  intptr_t value;
};

// Earlier in delivery order.
inline bool Before(const PendingEvent &a, const PendingEvent &b) {
  return a.clock != b.clock ? a.clock < b.clock : a.sequence < b.sequence;
}

class EventStore {
public:
  virtual ~EventStore() = default;
  // Stores the event; answers false, storing nothing, when the store is full.
  virtual bool Push(const PendingEvent &event) = 0;
  // The first event in delivery order, or nullptr when there is none.
  virtual const PendingEvent *Front() const = 0;
  virtual void Pop() = 0; // only when Front() is not null
  virtual void Clear() = 0;
};

} // namespace se_runtime

#endif // SE_RUNTIME_EVENT_STORE_H
