#include "plugin_rig.h"

#include "fail.h"

#include <algorithm>
#include <cstring>

namespace sefuzz {
namespace {

struct Binding {
  Rig *rig;
  int id;
};

intptr_t SE_CDECL Callback(void *record, int32_t opcode, int32_t index, int32_t value, void *ptr,
                           float) {
  if (record == nullptr)
    Fail("a plugin called the host without its record");
  auto *binding = reinterpret_cast<Binding *>(static_cast<SEModuleRecord *>(record)->host_data);
  return binding->rig->OnRequest(binding->id, opcode, index, value, ptr);
}

// A time stamp of the 32-bit clock, read relative to the current block.
int64_t Unwrap(int64_t block_start, int32_t clock32) {
  return block_start +
         static_cast<int32_t>(static_cast<uint32_t>(clock32) - static_cast<uint32_t>(block_start));
}

} // namespace

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
  intptr_t value = 0;         // non-audio inputs
  int32_t posted = PS_STATIC; // outputs: the status posted last
};

struct Rig::Event {
  int64_t clock;
  uint64_t sequence;
  bool raw;
  SETimedEvent event;
  int pin;
  int32_t status;
  bool has_value;
  intptr_t value;
};

struct Rig::Instance {
  Binding binding;
  sehost::PluginLibrary *library = nullptr;
  SEModuleRecord *record = nullptr;
  std::vector<Pin> pins;
  std::vector<Event> events; // in (clock, sequence) order
  bool sleeping = false;
  int64_t clock = 0;
};

Rig::Rig(float sample_rate, int32_t block_size)
    : m_rate(sample_rate), m_block(block_size), m_capacity(block_size), m_fp(FpEnv::Current()) {}

Rig::~Rig() {
  for (auto it = m_instances.rbegin(); it != m_instances.rend(); ++it)
    CloseInstance(**it);
}

int Rig::Add(sehost::PluginLibrary &library) {
  auto inst = std::make_unique<Instance>();
  inst->binding = {this, static_cast<int>(m_instances.size())};
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

// makeModule and the pin list of the new record; pins keep their wiring.
void Rig::Create(Instance &inst) {
  void *made =
      inst.library->MakeModule()(0, MT_DSP, &Callback, reinterpret_cast<intptr_t>(&inst.binding));
  CheckFpEnv(m_fp, "makeModule");
  if (made == nullptr)
    Fail("%s: makeModule made no DSP instance", inst.library->Path().c_str());
  inst.record = static_cast<SEModuleRecord *>(made);
  if (inst.record->magic != SE_MODULE_MAGIC)
    Fail("%s: the DSP record has magic %#x", inst.library->Path().c_str(), inst.record->magic);
  const std::vector<sehost::PinInfo> infos = sehost::PluginLibrary::ReadPins(inst.record);
  CheckFpEnv(m_fp, "dispatcher (pin properties)");
  std::vector<sehost::PinInfo> dsp;
  for (const auto &info : infos)
    if (info.dsp_index >= 0)
      dsp.push_back(info);
  if (inst.pins.empty())
    inst.pins.resize(dsp.size());
  if (inst.pins.size() != dsp.size())
    Fail("%s: the pin list changed between instances", inst.library->Path().c_str());
  for (size_t i = 0; i < dsp.size(); ++i)
    inst.pins[i].info = dsp[i];
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
  SEModuleRecord *rec = inst.record;
  rec->dispatcher(rec, DOP_SAMPLE_RATE, 0, 0, nullptr, m_rate);
  CheckFpEnv(m_fp, "dispatcher (sample rate)");
  rec->dispatcher(rec, DOP_BLOCK_SIZE, 0, m_block, nullptr, 0.0f);
  CheckFpEnv(m_fp, "dispatcher (block size)");
  for (Pin &p : inst.pins)
    if (p.info.IsInput() || p.info.IsAudio())
      WriteVariable(p);
  inst.clock = m_block_start;
  rec->dispatcher(rec, DOP_OPEN, 0, 0, nullptr, 0.0f);
  CheckFpEnv(m_fp, "dispatcher (open)");
  for (size_t i = 0; i < inst.pins.size(); ++i) {
    const Pin &p = inst.pins[i];
    if (!p.info.IsInput())
      continue;
    bool streaming = p.info.IsAudio() && p.streaming;
    if (p.from >= 0)
      streaming = m_instances[p.from]->pins[p.from_pin].posted == PS_RUNNING;
    Enqueue(inst, {m_block_start,
                   0,
                   false,
                   {},
                   static_cast<int>(i),
                   streaming ? PS_RUNNING : PS_ONCE,
                   false,
                   0});
  }
}

void Rig::CloseInstance(Instance &inst) {
  if (inst.record == nullptr)
    return;
  inst.record->dispatcher(inst.record, DOP_CLOSE, 0, 0, nullptr, 0.0f);
  CheckFpEnv(m_fp, "dispatcher (close)");
  inst.record = nullptr;
  inst.events.clear();
  inst.sleeping = false;
}

void Rig::Reopen(int instance) {
  Instance &inst = *m_instances[instance];
  CloseInstance(inst);
  Create(inst);
  OpenInstance(inst);
}

void Rig::WriteVariable(Pin &p) {
  void *var = p.info.variable;
  if (var == nullptr)
    return;
  if (p.info.IsAudio()) {
    *static_cast<float **>(var) = p.buffer;
    return;
  }
  intptr_t value = p.value;
  if (p.from >= 0) {
    const void *src = m_instances[p.from]->pins[p.from_pin].info.variable;
    if (src == nullptr)
      return;
    value = p.info.datatype == DT_INT32 ? *static_cast<const intptr_t *>(src)
                                        : *static_cast<const int16_t *>(src);
  }
  if (p.info.datatype == DT_INT32)
    *static_cast<intptr_t *>(var) = value;
  else if (p.info.datatype == DT_CHOICE)
    *static_cast<int16_t *>(var) = static_cast<int16_t>(value);
}

void Rig::Enqueue(Instance &inst, Event e) {
  e.sequence = m_sequence++;
  auto at = std::upper_bound(
      inst.events.begin(), inst.events.end(), e, [](const Event &a, const Event &b) {
        return a.clock != b.clock ? a.clock < b.clock : a.sequence < b.sequence;
      });
  inst.events.insert(at, e);
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
  Enqueue(inst, {clock, 0, false, {}, pin, streaming ? PS_RUNNING : PS_ONCE, false, 0});
}

void Rig::SetValue(int instance, int pin, int64_t clock, intptr_t value) {
  Enqueue(*m_instances[instance], {clock, 0, false, {}, pin, PS_ONCE, true, value});
}

void Rig::QueueRaw(int instance, int64_t clock, const SETimedEvent &event) {
  Enqueue(*m_instances[instance], {clock, 0, true, event, -1, 0, false, 0});
}

intptr_t Rig::Dispatch(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                       float opt) {
  SEModuleRecord *rec = m_instances[instance]->record;
  const intptr_t answer = rec->dispatcher(rec, opcode, index, value, ptr, opt);
  CheckFpEnv(m_fp, "dispatcher");
  return answer;
}

void Rig::SetSampleRate(float rate) {
  m_rate = rate;
  for (int id : m_order)
    Dispatch(id, DOP_SAMPLE_RATE, 0, 0, nullptr, rate);
}

void Rig::SetBlockSize(int32_t size) {
  m_block = std::clamp(size, 1, m_block);
  for (int id : m_order)
    Dispatch(id, DOP_BLOCK_SIZE, 0, m_block, nullptr, 0.0f);
}

void Rig::DeliverDue(Instance &inst, int64_t now) {
  while (!inst.events.empty() && inst.events.front().clock <= now) {
    Event e = inst.events.front();
    inst.events.erase(inst.events.begin());
    inst.clock = now;
    SETimedEvent ev = e.event;
    if (!e.raw) {
      Pin &p = inst.pins[e.pin];
      if (e.has_value && p.from < 0)
        p.value = e.value;
      WriteVariable(p);
      inst.sleeping = false;
      ev = SETimedEvent{};
      ev.event_type = EV_PIN_STATUS;
      ev.int_value = e.status;
      ev.ptr_value = e.pin;
    }
    ev.time_stamp = static_cast<int32_t>(now);
    inst.record->event_entry(inst.record->instance, &ev);
    CheckFpEnv(m_fp, "event entry");
  }
}

void Rig::ProcessInstance(Instance &inst) {
  for (Pin &p : inst.pins) {
    if (!p.info.IsAudio())
      continue;
    if (p.info.IsInput() && p.from < 0) {
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
    WriteVariable(p);
  }
  int32_t pos = 0;
  while (pos < m_block) {
    const int64_t now = m_block_start + pos;
    DeliverDue(inst, now);
    int64_t next = m_block_start + m_block;
    if (!inst.events.empty())
      next = std::min(next, inst.events.front().clock);
    if (next <= now)
      continue; // an event queued for now while delivering
    if (!inst.sleeping) {
      inst.clock = now;
      inst.record->process(inst.record->instance, pos, static_cast<int32_t>(next - now));
      CheckFpEnv(m_fp, "process");
    }
    pos = static_cast<int32_t>(next - m_block_start);
  }
}

void Rig::ProcessBlock() {
  for (int id : m_order)
    ProcessInstance(*m_instances[id]);
  if (m_check_settled)
    for (const auto &inst : m_instances)
      if (inst->sleeping)
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

intptr_t Rig::OnRequest(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr) {
  Instance &inst = *m_instances[instance];
  const bool valid_pin = index >= 0 && index < static_cast<int>(inst.pins.size());
  switch (opcode) {
  case HRQ_PIN_STATUS: {
    if (!valid_pin || !inst.pins[index].info.IsOutput())
      return 0;
    Pin &out = inst.pins[index];
    out.posted = value;
    const int64_t clock =
        Unwrap(m_block_start, static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr)));
    for (const auto &[to, pin] : out.targets)
      Enqueue(*m_instances[to], {clock, 0, false, {}, pin, value, false, 0});
    return 0;
  }
  case HRQ_PIN_CONNECTED:
    return valid_pin && (inst.pins[index].from >= 0 || !inst.pins[index].targets.empty()) ? 1 : 0;
  case HRQ_SAMPLE_CLOCK: return static_cast<int32_t>(inst.clock);
  case HRQ_PIN_BUFFER: return valid_pin ? reinterpret_cast<intptr_t>(inst.pins[index].buffer) : 0;
  case HRQ_BLOCK_START_CLOCK: return static_cast<int32_t>(m_block_start);
  case HRQ_SLEEP: inst.sleeping = true; return 0;
  case HRQ_PIN_COUNT: return static_cast<intptr_t>(inst.pins.size());
  case HRQ_ADD_EVENT:
    if (ptr != nullptr) {
      const SETimedEvent e = *static_cast<SETimedEvent *>(ptr);
      Enqueue(inst, {Unwrap(m_block_start, e.time_stamp), 0, true, e, -1, 0, false, 0});
    }
    return 0;
  default: return 0;
  }
}

} // namespace sefuzz
