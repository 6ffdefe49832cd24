#include "plugin_rig.h"

#include "event_heap.h"
#include "fail.h"
#include "module_runner.h"

#include <algorithm>
#include <cstring>

namespace sefuzz {
namespace {

// What a call into a plugin was, for the message of a changed environment.
const char *CallName(se_runtime::ModuleCall call, int32_t opcode) {
  switch (call) {
  case se_runtime::ModuleCall::kMakeModule: return "makeModule";
  case se_runtime::ModuleCall::kEventEntry: return "event entry";
  case se_runtime::ModuleCall::kProcess: return "process";
  case se_runtime::ModuleCall::kDispatcher: break;
  }
  switch (opcode) {
  case DOP_PIN_PROPERTIES: return "dispatcher (pin properties)";
  case DOP_SAMPLE_RATE: return "dispatcher (sample rate)";
  case DOP_BLOCK_SIZE: return "dispatcher (block size)";
  case DOP_OPEN: return "dispatcher (open)";
  case DOP_CLOSE: return "dispatcher (close)";
  default: return "dispatcher";
  }
}

} // namespace

// The rig keeps every audio buffer itself (the runners are bound to them), so
// that an instance made anew in its place reads and writes the same ones.
struct Rig::Pin {
  sehost::PinInfo info;
  std::vector<float> own; // audio pins nothing feeds
  float *buffer = nullptr;
  int from = -1;
  int from_pin = -1;
  std::vector<std::pair<int, int>> targets;
  // An audio input nothing feeds: the pattern in force, repeated along the
  // clock, and the changes still to come, in clock order.
  struct Step {
    int64_t clock;
    std::vector<float> pattern;
    bool streaming;
  };
  std::vector<float> pattern;
  bool streaming = false;
  std::vector<Step> steps;
  intptr_t value = 0;         // non-audio inputs: the value they open with
  int32_t posted = PS_STATIC; // outputs: the status posted last
};

struct Rig::Instance final : se_runtime::RunnerListener {
  Rig *rig = nullptr;
  int id = 0;
  sehost::PluginLibrary *library = nullptr;
  se_runtime::EventHeap events; // any number, at any clock the driver picks
  std::unique_ptr<se_runtime::ModuleRunner> runner;
  std::vector<Pin> pins;

  void StatusPosted(int pin, int64_t clock, int32_t status) override {
    rig->Posted(*this, pin, clock, status);
  }
  void Returned(se_runtime::ModuleCall call, int32_t opcode) override {
    CheckFpEnv(rig->m_fp, CallName(call, opcode));
  }
};

Rig::Rig(float sample_rate, int32_t block_size)
    : m_rate(sample_rate), m_block(block_size), m_capacity(block_size), m_fp(FpEnv::Current()) {}

Rig::~Rig() {
  for (auto it = m_instances.rbegin(); it != m_instances.rend(); ++it)
    CloseInstance(**it);
}

int Rig::Add(sehost::PluginLibrary &library) {
  auto inst = std::make_unique<Instance>();
  inst->rig = this;
  inst->id = static_cast<int>(m_instances.size());
  inst->library = &library;
  Create(*inst);
  for (Pin &pin : inst->pins) {
    if (pin.info.IsAudio()) {
      pin.own.assign(static_cast<size_t>(m_capacity), 0.0f);
      pin.buffer = pin.own.data();
      pin.pattern = {static_cast<float>(pin.info.DefaultValue())};
    } else {
      pin.value = static_cast<intptr_t>(pin.info.DefaultValue());
    }
  }
  m_instances.push_back(std::move(inst));
  return static_cast<int>(m_instances.size()) - 1;
}

// A runner with a new instance of the library; pins keep their wiring.
void Rig::Create(Instance &inst) {
  inst.runner = std::make_unique<se_runtime::ModuleRunner>();
  se_runtime::ModuleRunner &r = *inst.runner;
  r.SetListener(&inst);
  r.SetEventStore(&inst.events);
  r.SetSilenceWhileAsleep(false); // what a sleeping module leaves is checked (CheckSettled)
  // Any rate the driver set reaches the module at open, a bogus one included.
  if (!r.Create(inst.library->Entry(), 44100.0f, m_capacity))
    Fail("%s: makeModule made no DSP instance (or a record of another kind, or too many pins)",
         inst.library->Path().c_str());
  r.SetSampleRate(m_rate);
  if (inst.pins.empty())
    inst.pins.resize(static_cast<size_t>(r.PinCount()));
  if (inst.pins.size() != static_cast<size_t>(r.PinCount()))
    Fail("%s: the pin list changed between instances", inst.library->Path().c_str());
  for (int i = 0; i < r.PinCount(); ++i)
    inst.pins[static_cast<size_t>(i)].info = sehost::PinInfoOf(r.Pin(i), r.ListIndex(i), i);
}

void Rig::Connect(int from, int out_pin, int to, int in_pin) {
  Pin &out = m_instances[from]->pins[out_pin];
  Pin &in = m_instances[to]->pins[in_pin];
  in.from = from;
  in.from_pin = out_pin;
  if (in.info.IsAudio())
    in.buffer = out.buffer;
  out.targets.emplace_back(to, in_pin);
}

std::vector<int> Rig::OpenOrder() const {
  std::vector<int> order;
  std::vector<bool> done(m_instances.size(), false);
  while (order.size() < m_instances.size()) {
    for (size_t i = 0; i < m_instances.size(); ++i) {
      if (done[i])
        continue;
      bool ready = true;
      for (const Pin &p : m_instances[i]->pins)
        if (p.from >= 0 && !done[static_cast<size_t>(p.from)])
          ready = false;
      if (ready) {
        done[i] = true;
        order.push_back(static_cast<int>(i));
      }
    }
  }
  return order;
}

void Rig::Open() {
  m_order = OpenOrder();
  m_open = true;
  for (int id : m_order)
    OpenInstance(*m_instances[id]);
}

void Rig::OpenInstance(Instance &inst) {
  se_runtime::ModuleRunner &r = *inst.runner;
  for (size_t i = 0; i < inst.pins.size(); ++i) {
    const Pin &p = inst.pins[i];
    const int pin = static_cast<int>(i);
    r.SetConnected(pin, p.from >= 0 || !p.targets.empty());
    if (p.info.IsAudio())
      r.Bind(pin, p.buffer);
    if (!p.info.IsInput())
      continue;
    bool streaming = p.info.IsAudio() && p.streaming;
    if (p.from >= 0) {
      const Instance &feeder = *m_instances[p.from];
      streaming = feeder.pins[p.from_pin].posted == PS_RUNNING;
      if (!p.info.IsAudio())
        r.LinkValue(pin, feeder.runner->Pin(p.from_pin).variable);
    } else if (!p.info.IsAudio()) {
      r.SetValue(pin, p.value);
    }
    r.SetStreaming(pin, streaming);
  }
  r.Open(m_block_start);
  if (m_block != m_capacity) // opened after the block size shrank
    r.SetBlockSize(m_block);
}

void Rig::CloseInstance(Instance &inst) { inst.runner->Close(); }

void Rig::Reopen(int instance) {
  Instance &inst = *m_instances[instance];
  CloseInstance(inst);
  Create(inst);
  OpenInstance(inst);
  // Inputs fed by its outputs read the new instance's variables from now on.
  for (size_t i = 0; i < inst.pins.size(); ++i)
    for (const auto &[to, pin] : inst.pins[i].targets)
      if (!inst.pins[i].info.IsAudio())
        m_instances[to]->runner->LinkValue(pin, inst.runner->Pin(static_cast<int>(i)).variable);
}

std::vector<int> Rig::FreeInputs(int instance, int32_t datatype) const {
  std::vector<int> pins;
  const Instance &inst = *m_instances[instance];
  for (size_t i = 0; i < inst.pins.size(); ++i) {
    const Pin &p = inst.pins[i];
    if (p.info.IsInput() && p.info.datatype == datatype && p.from < 0)
      pins.push_back(static_cast<int>(i));
  }
  return pins;
}

int Rig::PinCount(int instance) const {
  return static_cast<int>(m_instances[instance]->pins.size());
}

void Rig::SetAudio(int instance, int pin, int64_t clock, std::vector<float> pattern,
                   bool streaming) {
  Instance &inst = *m_instances[instance];
  Pin &p = inst.pins[pin];
  if (pattern.empty())
    pattern.push_back(0.0f);
  const Pin::Step step{clock, std::move(pattern), streaming};
  auto at =
      std::upper_bound(p.steps.begin(), p.steps.end(), step,
                       [](const Pin::Step &a, const Pin::Step &b) { return a.clock < b.clock; });
  p.steps.insert(at, step);
  inst.runner->QueueStatusAt(clock, pin, streaming ? PS_RUNNING : PS_ONCE);
}

void Rig::SetValue(int instance, int pin, int64_t clock, intptr_t value) {
  m_instances[instance]->runner->QueueValueAt(clock, pin, value);
}

void Rig::QueueRaw(int instance, int64_t clock, const SETimedEvent &event) {
  m_instances[instance]->runner->QueueEventAt(clock, event);
}

intptr_t Rig::Dispatch(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                       float opt) {
  return m_instances[instance]->runner->Dispatch(opcode, index, value, ptr, opt);
}

void Rig::SetSampleRate(float rate) {
  m_rate = rate;
  for (int id : m_order)
    m_instances[id]->runner->SetSampleRate(rate);
}

void Rig::SetBlockSize(int32_t size) {
  m_block = std::clamp(size, 1, m_block);
  for (int id : m_order)
    m_instances[id]->runner->SetBlockSize(m_block);
}

void Rig::Posted(Instance &inst, int pin, int64_t clock, int32_t status) {
  Pin &out = inst.pins[pin];
  out.posted = status;
  for (const auto &[to, in_pin] : out.targets)
    m_instances[to]->runner->QueueStatusAt(clock, in_pin, status);
}

void Rig::ProcessInstance(Instance &inst) {
  for (Pin &p : inst.pins) {
    if (!p.info.IsAudio() || !p.info.IsInput() || p.from >= 0)
      continue;
    for (int32_t i = 0; i < m_block; ++i) {
      const int64_t clock = m_block_start + i;
      while (!p.steps.empty() && p.steps.front().clock <= clock) {
        p.pattern = std::move(p.steps.front().pattern);
        p.streaming = p.steps.front().streaming;
        p.steps.erase(p.steps.begin());
      }
      p.buffer[i] = p.pattern[static_cast<uint64_t>(clock) % p.pattern.size()];
    }
  }
  inst.runner->Process(m_block);
}

void Rig::ProcessBlock() {
  for (int id : m_order)
    ProcessInstance(*m_instances[id]);
  if (m_check_settled)
    for (const auto &inst : m_instances)
      if (inst->runner->Sleeping())
        CheckSettled(*inst);
  m_block_start += m_block;
}

void Rig::CheckSettled(const Instance &inst) const {
  for (const Pin &p : inst.pins) {
    if (!p.info.IsOutput() || !p.info.IsAudio())
      continue;
    for (int32_t i = 1; i < m_block; ++i)
      if (std::memcmp(&p.buffer[i], &p.buffer[0], sizeof(float)) != 0)
        Fail("%s asleep at clock %lld, but its output \"%s\" is not settled: sample 0 is %g, "
             "sample %d is %g (block %d)",
             inst.library->Description().name.c_str(),
             static_cast<long long>(m_block_start + m_block), p.info.name.c_str(),
             static_cast<double>(p.buffer[0]), i, static_cast<double>(p.buffer[i]), m_block);
  }
}

} // namespace sefuzz
