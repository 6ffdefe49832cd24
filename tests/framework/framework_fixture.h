// Shared pieces of the framework tests: the test plugin's location, a minimal
// raw host for the cases our full host never produces, and request filters.
#ifndef FRAMEWORK_FIXTURE_H
#define FRAMEWORK_FIXTURE_H

#include "host.h"
#include "plugin_path.h"
#include "test_plugin_protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setest {

inline std::string TestPlugin() { return TestPluginPath("framework_test_plugin"); }
inline std::string RulesPlugin() { return TestPluginPath("framework_rules_plugin"); }
inline std::string RulesPluginUnchecked() {
  return TestPluginPath("framework_rules_plugin_unchecked");
}

inline std::vector<sehost::Request> OfOpcode(const std::vector<sehost::Request> &all, int op) {
  std::vector<sehost::Request> out;
  for (const auto &r : all)
    if (r.opcode == op)
      out.push_back(r);
  return out;
}

// A bare host that answers from a few settable numbers and records every
// request; for driving an instance by hand through its record.
struct RawHost {
  static inline std::vector<sehost::Request> requests;
  static inline intptr_t pin_count = 0;
  static inline int32_t clock = 0;
  static inline int32_t block_start = 0;
  static inline bool answer_zero = false;

  static intptr_t SE_CDECL Callback(void *, int32_t op, int32_t index, int32_t value, void *ptr,
                                    float opt) {
    requests.push_back({op, index, value, reinterpret_cast<intptr_t>(ptr), opt, {}});
    if (answer_zero)
      return 0;
    switch (op) {
    case HRQ_PIN_COUNT: return pin_count;
    case HRQ_SAMPLE_CLOCK: return clock;
    case HRQ_BLOCK_START_CLOCK: return block_start;
    default: return 0;
    }
  }
  static void Reset() {
    requests.clear();
    pin_count = 0;
    clock = 0;
    block_start = 0;
    answer_zero = false;
  }
};

inline intptr_t Call(SEModuleRecord *rec, int32_t op, int32_t index = 0, int32_t value = 0,
                     void *ptr = nullptr, float opt = 0.0f) {
  return rec->dispatcher(rec, op, index, value, ptr, opt);
}

inline void SendStatus(SEModuleRecord *rec, int32_t clock, int32_t pin, int32_t status) {
  SETimedEvent e{};
  e.time_stamp = clock;
  e.event_type = EV_PIN_STATUS;
  e.int_value = status;
  e.ptr_value = pin;
  rec->event_entry(rec->instance, &e);
}

} // namespace setest

#endif
