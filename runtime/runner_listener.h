// What a module runner tells its owner, for front ends that do more than run
// one instance: a host that wires instances together, records requests, can
// be stopped, or checks every call (the fuzz rig). Every hook is optional;
// a runner without a listener answers every request itself.
//
// Hooks run on the thread that drives the runner, inside its calls (Process,
// Queue*, Open, ...); a real-time owner's hooks must keep to the real-time
// rules themselves.
#ifndef SE_RUNTIME_RUNNER_LISTENER_H
#define SE_RUNTIME_RUNNER_LISTENER_H

#include <cstdint>

namespace se_runtime {

// A call into the module, for Returned.
enum class ModuleCall { kMakeModule, kDispatcher, kEventEntry, kProcess };

class RunnerListener {
public:
  virtual ~RunnerListener() = default;
  // Every request the instance makes, as it made it, before the runner answers.
  virtual void Requested(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt) {
    (void)opcode, (void)index, (void)value, (void)ptr, (void)opt;
  }
  // The module posted `status` on its output `pin` for sample `clock`
  // (HRQ_PIN_STATUS; the 32-bit clock read relative to the current call).
  virtual void StatusPosted(int pin, int64_t clock, int32_t status) {
    (void)pin, (void)clock, (void)status;
  }
  // Before each event is delivered: false stops the Process call there (it
  // answers false); the runner is then fit only to be closed or destroyed.
  virtual bool Delivering() { return true; }
  // After each call into the module has returned (`opcode`: the dispatcher's).
  virtual void Returned(ModuleCall call, int32_t opcode) { (void)call, (void)opcode; }
};

} // namespace se_runtime

#endif // SE_RUNTIME_RUNNER_LISTENER_H
