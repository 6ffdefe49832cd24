#include "host.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sehost {

// What an instance's host_data points at: the way back from a request to its instance.
struct CallbackBinding {
  Host *host;
  int id;
};

namespace {

intptr_t SE_CDECL HostCallbackEntry(void *record, int32_t opcode, int32_t index, int32_t value,
                                    void *ptr, float opt) {
  if (record == nullptr)
    return 0;
  auto *binding =
      reinterpret_cast<CallbackBinding *>(static_cast<SEModuleRecord *>(record)->host_data);
  if (binding == nullptr)
    return 0;
  return binding->host->OnRequest(binding->id, opcode, index, value, ptr, opt);
}

// A pin value as an integer. Values that are not finite or lie beyond the
// 64-bit range give 0 rather than an undefined conversion.
int64_t ToInteger(double v) { return (v > -9.2e18 && v < 9.2e18) ? static_cast<int64_t>(v) : 0; }

} // namespace

struct Host::Slot {
  PinInfo info;
  // Inputs: the outputs that feed the pin, (instance, pin) in connection
  // order. Audio inputs take any number and get their sum; others take one.
  std::vector<std::pair<int, int>> from;
  std::unique_ptr<Source> source; // audio inputs not fed by a module
  bool fed = false;               // a source given by the user counts as a connection
  double value = 0.0;             // choice and other non-audio inputs
  intptr_t rawValue = 0;          // DT_INT32 values (addresses) carried exactly
  bool valueSet = false;          // set by the user; else the default text holds
  bool Connected() const { return !from.empty(); }
  // Audio pins: the buffer the variable points at (an input with one feeder
  // shares that output's buffer; one with more holds their sum).
  std::vector<float> ownBuffer;
  float *buffer = nullptr;
  // Outputs: connected inputs and the status last posted.
  std::vector<std::pair<int, int>> targets;
  int32_t postedStatus = PS_STATIC;
  // The pin-status event from a connection still waiting in the queue (an
  // equal one at the same clock adds nothing and is not queued again).
  bool statusPending = false;
  int64_t pendingClock = 0;
  int32_t pendingStatus = 0;
  uint64_t pendingSequence = 0;
};

struct Host::Event {
  int64_t clock;
  uint64_t sequence;
  bool raw; // a module's own event, delivered as it was queued
  SETimedEvent event;
  int pin;
  int32_t status;
  bool hasValue;
  double value;
};

struct Host::Instance {
  CallbackBinding binding;
  std::string label;
  PluginLibrary *library = nullptr;
  SEModuleRecord *record = nullptr;
  std::vector<Slot> slots;
  int extraPins = 0;
  bool opened = false;
  bool closed = false;
  bool sleeping = false;
  int64_t clock = 0;
  // A heap whose front is the earliest event; events due at the same clock
  // come out in the order they were queued (their sequence).
  std::vector<Event> events;
  bool recording = false;
  std::vector<Request> requests;
  int processCalls = 0;
};

Host::Host(float sample_rate, int32_t block_size)
    : m_sampleRate(sample_rate), m_blockSize(block_size), m_capacity(block_size) {
  if (!(sample_rate > 0.0f) || !std::isfinite(sample_rate))
    throw HostError("sample rate must be a positive number");
  if (block_size <= 0 || block_size > (1 << 20))
    throw HostError("block size must be between 1 and 1048576");
}

Host::~Host() {
  for (auto it = m_instances.rbegin(); it != m_instances.rend(); ++it) {
    Instance &inst = **it;
    if (!inst.closed && inst.record != nullptr)
      inst.record->dispatcher(inst.record, DOP_CLOSE, 0, 0, nullptr, 0.0f);
  }
}

PluginLibrary &Host::Load(const std::string &path) {
  auto it = m_libraries.find(path);
  if (it != m_libraries.end())
    return *it->second;
  auto library = PluginLibrary::Load(path);
  return *m_libraries.emplace(path, std::move(library)).first->second;
}

int Host::Add(PluginLibrary &library, const std::string &label) {
  RequireBuilding("add an instance");
  auto inst = std::make_unique<Instance>();
  const int id = static_cast<int>(m_instances.size());
  inst->binding = {this, id};
  inst->label = label.empty() ? library.Description().name : label;
  inst->library = &library;
  void *record = library.MakeModule()(0, MT_DSP, &HostCallbackEntry,
                                      reinterpret_cast<intptr_t>(&inst->binding));
  if (record == nullptr)
    throw HostError(library.Path() + ": makeModule created no instance");
  inst->record = static_cast<SEModuleRecord *>(record);
  for (const PinInfo &pin : PluginLibrary::ReadPins(inst->record)) {
    if (pin.dsp_index < 0)
      continue;
    Slot slot;
    slot.info = pin;
    inst->slots.push_back(std::move(slot));
  }
  m_instances.push_back(std::move(inst));
  return id;
}

void Host::SetExtraPins(int instance, int count) {
  RequireBuilding("add pins");
  Instance &inst = At(instance);
  if (inst.slots.empty() || count < 0)
    throw HostError("no pin to repeat");
  for (int i = 0; i < count; ++i) {
    Slot slot;
    slot.info = inst.slots.back().info;
    slot.info.dsp_index = static_cast<int>(inst.slots.size());
    slot.info.variable = nullptr;
    inst.slots.push_back(std::move(slot));
  }
  inst.extraPins += count;
}

void Host::RequireBuilding(const char *what) const {
  if (m_open)
    throw HostError(std::string("cannot ") + what + " after the patch is open");
}

Host::Instance &Host::At(int instance) {
  if (instance < 0 || instance >= static_cast<int>(m_instances.size()))
    throw HostError("no instance " + std::to_string(instance));
  return *m_instances[instance];
}

const Host::Instance &Host::At(int instance) const {
  return const_cast<Host *>(this)->At(instance);
}

Host::Slot &Host::SlotAt(int instance, int pin) {
  Instance &inst = At(instance);
  if (pin < 0 || pin >= static_cast<int>(inst.slots.size()))
    throw HostError(inst.label + ": no pin " + std::to_string(pin));
  return inst.slots[pin];
}

int Host::PinIndex(int instance, const std::string &name) const {
  const Instance &inst = At(instance);
  for (const Slot &s : inst.slots)
    if (s.info.name == name)
      return s.info.dsp_index;
  throw HostError(inst.label + ": no pin named \"" + name + "\"");
}

std::vector<PinInfo> Host::Pins(int instance) const {
  std::vector<PinInfo> pins;
  for (const Slot &s : At(instance).slots)
    pins.push_back(s.info);
  return pins;
}

void Host::Connect(int from, const std::string &out_pin, int to, const std::string &in_pin) {
  Connect(from, PinIndex(from, out_pin), to, PinIndex(to, in_pin));
}

void Host::Connect(int from, int out_pin, int to, int in_pin) {
  RequireBuilding("connect pins");
  Slot &out = SlotAt(from, out_pin);
  Slot &in = SlotAt(to, in_pin);
  const std::string what = At(from).label + ".\"" + out.info.name + "\" -> " + At(to).label +
                           ".\"" + in.info.name + "\"";
  if (from == to)
    throw HostError(what + ": a module cannot feed itself");
  if (!out.info.IsOutput())
    throw HostError(what + ": the source is not an output pin");
  if (!in.info.IsInput())
    throw HostError(what + ": the target is not an input pin");
  if (out.info.datatype != in.info.datatype)
    throw HostError(what + ": the pins carry different kinds of data");
  if (in.fed || (in.Connected() && !in.info.IsAudio()))
    throw HostError(what + ": the input is already fed");
  if (std::find(in.from.begin(), in.from.end(), std::make_pair(from, out_pin)) != in.from.end())
    throw HostError(what + ": the pins are already connected");
  in.from.emplace_back(from, out_pin);
  out.targets.emplace_back(to, in_pin);
}

void Host::Feed(int instance, int pin, std::unique_ptr<Source> source) {
  RequireBuilding("feed an input");
  Slot &slot = SlotAt(instance, pin);
  if (!slot.info.IsInput() || !slot.info.IsAudio())
    throw HostError(At(instance).label + ".\"" + slot.info.name + "\": not an audio input");
  if (slot.Connected())
    throw HostError("the input is already fed by a module");
  slot.source = std::move(source);
  slot.fed = true;
}

void Host::SetValue(int instance, const std::string &pin, double value) {
  SetValue(instance, PinIndex(instance, pin), value);
}

void Host::SetValue(int instance, int pin, double value) {
  if (m_open) {
    ScheduleValue(instance, pin, m_blockStart, value);
    return;
  }
  Slot &slot = SlotAt(instance, pin);
  if (!slot.info.IsInput())
    throw HostError(At(instance).label + ".\"" + slot.info.name + "\": not an input");
  if (slot.Connected() || slot.fed)
    throw HostError(At(instance).label + ".\"" + slot.info.name + "\": fed by a connection");
  if (slot.info.IsAudio())
    slot.source = std::make_unique<SteppedSource>(static_cast<float>(value));
  slot.value = value;
  slot.rawValue = static_cast<intptr_t>(ToInteger(value));
  slot.valueSet = true;
}

void Host::ScheduleValue(int instance, int pin, int64_t clock, double value) {
  Slot &slot = SlotAt(instance, pin);
  if (!slot.info.IsInput() || slot.Connected() || slot.fed)
    throw HostError(At(instance).label + ".\"" + slot.info.name +
                    "\": only an input that nothing feeds can be set");
  if (clock < m_blockStart)
    throw HostError("cannot schedule a change in the past");
  if (slot.info.IsAudio()) {
    if (!slot.source)
      slot.source = std::make_unique<SteppedSource>(slot.info.DefaultValue());
    static_cast<SteppedSource *>(slot.source.get())->AddStep(clock, static_cast<float>(value));
  }
  QueueStatus(instance, pin, clock, PS_ONCE, true, value);
}

void Host::QueueStatus(int instance, int pin, int64_t clock, int32_t status, bool has_value,
                       double value) {
  Instance &inst = At(instance);
  Slot *slot = pin >= 0 && pin < static_cast<int>(inst.slots.size()) ? &inst.slots[pin] : nullptr;
  // A module that posts the same status again before the input has seen the
  // first (each pin change of a filter reposts its output's status) would
  // otherwise multiply the events down a chain of modules.
  if (!has_value && slot != nullptr && slot->statusPending && slot->pendingClock == clock &&
      slot->pendingStatus == status)
    return;
  Event e{};
  e.clock = clock;
  e.sequence = m_eventSequence++;
  if (!has_value && slot != nullptr) {
    slot->statusPending = true;
    slot->pendingClock = clock;
    slot->pendingStatus = status;
    slot->pendingSequence = e.sequence;
  }
  e.raw = false;
  e.pin = pin;
  e.status = status;
  e.hasValue = has_value;
  e.value = value;
  Enqueue(inst, e);
}

void Host::QueueEvent(int instance, const SETimedEvent &event) {
  Instance &inst = At(instance);
  Event e{};
  // The 32-bit time stamp is read relative to the current block, so it
  // survives the wrap of the 32-bit clock.
  e.clock = m_blockStart + static_cast<int32_t>(static_cast<uint32_t>(event.time_stamp) -
                                                static_cast<uint32_t>(m_blockStart));
  e.sequence = m_eventSequence++;
  e.raw = true;
  e.event = event;
  Enqueue(inst, e);
}

// Heap order: the earliest (clock, sequence) at the front.
bool Host::Later(const Event &a, const Event &b) {
  return a.clock != b.clock ? a.clock > b.clock : a.sequence > b.sequence;
}

void Host::Enqueue(Instance &inst, const Event &e) {
  inst.events.push_back(e);
  std::push_heap(inst.events.begin(), inst.events.end(), Later);
}

Host::Event Host::Dequeue(Instance &inst) {
  std::pop_heap(inst.events.begin(), inst.events.end(), Later);
  Event e = inst.events.back();
  inst.events.pop_back();
  return e;
}

std::vector<int> Host::OpenOrder() const {
  const int n = static_cast<int>(m_instances.size());
  std::vector<int> indegree(n, 0);
  for (int i = 0; i < n; ++i)
    for (const Slot &s : m_instances[i]->slots)
      indegree[i] += static_cast<int>(s.from.size());
  std::vector<int> order;
  std::vector<bool> done(n, false);
  while (static_cast<int>(order.size()) < n) {
    int next = -1;
    for (int i = 0; i < n && next < 0; ++i)
      if (!done[i] && indegree[i] == 0)
        next = i;
    if (next < 0)
      throw HostError("the patch has a feedback loop; it cannot be ordered");
    done[next] = true;
    order.push_back(next);
    for (const Slot &s : m_instances[next]->slots)
      for (const auto &[to, pin] : s.targets)
        --indegree[to];
  }
  return order;
}

void Host::AllocateBuffers() {
  for (auto &ptr : m_instances) {
    for (Slot &s : ptr->slots) {
      if (!s.info.IsAudio() || s.from.size() == 1)
        continue;
      s.ownBuffer.assign(static_cast<size_t>(m_capacity), 0.0f);
      s.buffer = s.ownBuffer.data();
      if (s.info.IsInput() && !s.Connected() && !s.source)
        s.source = std::make_unique<SteppedSource>(static_cast<float>(s.info.DefaultValue()));
    }
  }
  for (auto &ptr : m_instances)
    for (Slot &s : ptr->slots)
      if (s.from.size() == 1 && s.info.IsAudio())
        s.buffer = FeederSlot(s, 0).buffer;
  // Inputs that nothing feeds start from their default text.
  for (auto &ptr : m_instances)
    for (Slot &s : ptr->slots)
      if (s.info.IsInput() && !s.info.IsAudio() && !s.Connected() && !s.valueSet) {
        s.value = s.info.DefaultValue();
        s.rawValue = static_cast<intptr_t>(ToInteger(s.value));
      }
}

void Host::Open() {
  if (m_open)
    throw HostError("the patch is already open");
  m_order = OpenOrder();
  AllocateBuffers();
  m_open = true;
  for (int id : m_order) {
    CheckInterrupt();
    OpenInstance(*m_instances[id]);
  }
}

void Host::OpenInstance(Instance &inst) {
  SEModuleRecord *rec = inst.record;
  rec->dispatcher(rec, DOP_SAMPLE_RATE, 0, 0, nullptr, m_sampleRate);
  rec->dispatcher(rec, DOP_BLOCK_SIZE, 0, m_blockSize, nullptr, 0.0f);
  for (Slot &s : inst.slots)
    if (s.info.IsInput() || s.info.IsAudio())
      WriteVariable(s);
  inst.clock = m_blockStart;
  rec->dispatcher(rec, DOP_OPEN, 0, 0, nullptr, 0.0f);
  inst.opened = true;
  for (Slot &s : inst.slots) {
    if (!s.info.IsInput())
      continue;
    const bool streaming =
        s.Connected() ? FedStatus(s, PS_ONCE) == PS_RUNNING : s.source && s.source->Streaming();
    QueueStatus(inst.binding.id, s.info.dsp_index, m_blockStart, streaming ? PS_RUNNING : PS_ONCE,
                false, 0.0);
  }
}

const Host::Slot &Host::FeederSlot(const Slot &input, size_t i) const {
  const auto &[instance, pin] = input.from[i];
  return m_instances[instance]->slots[pin];
}

// The status of an input that outputs feed, when one of them posts `posted`:
// a sum streams while any of its parts streams.
int32_t Host::FedStatus(const Slot &input, int32_t posted) const {
  for (size_t i = 0; i < input.from.size(); ++i)
    if (FeederSlot(input, i).postedStatus == PS_RUNNING)
      return PS_RUNNING;
  return posted;
}

void Host::SumFeeders(Slot &input) {
  float *sum = input.buffer;
  std::copy_n(FeederSlot(input, 0).buffer, m_blockSize, sum);
  for (size_t f = 1; f < input.from.size(); ++f) {
    const float *part = FeederSlot(input, f).buffer;
    for (int32_t i = 0; i < m_blockSize; ++i)
      sum[i] += part[i];
  }
}

void Host::WriteVariable(Slot &s) {
  void *var = s.info.variable;
  if (var == nullptr)
    return;
  if (s.info.IsAudio()) {
    *static_cast<float **>(var) = s.buffer;
    return;
  }
  // A value from a connected output is read from that output's variable.
  intptr_t raw = s.rawValue;
  double value = s.value;
  if (s.Connected()) {
    const Slot &out = FeederSlot(s, 0);
    const void *src = out.info.variable;
    if (src == nullptr)
      return;
    switch (s.info.datatype) {
    case DT_CHOICE: value = *static_cast<const int16_t *>(src); break;
    case DT_CODE4: value = *static_cast<const int8_t *>(src); break;
    case DT_CODE6: value = *static_cast<const int32_t *>(src); break;
    case DT_INT32: raw = *static_cast<const intptr_t *>(src); break;
    default: return;
    }
  }
  switch (s.info.datatype) {
  case DT_CHOICE: *static_cast<int16_t *>(var) = static_cast<int16_t>(ToInteger(value)); break;
  case DT_CODE4: *static_cast<int8_t *>(var) = static_cast<int8_t>(ToInteger(value)); break;
  case DT_CODE6: *static_cast<int32_t *>(var) = static_cast<int32_t>(ToInteger(value)); break;
  case DT_INT32: *static_cast<intptr_t *>(var) = raw; break;
  default: break;
  }
}

void Host::DeliverDue(Instance &inst, int64_t now) {
  while (!inst.closed && !inst.events.empty() && inst.events.front().clock <= now) {
    if (++m_eventsDelivered % kInterruptCheckEvents == 0)
      CheckInterrupt();
    Event e = Dequeue(inst);
    inst.clock = now;
    if (e.raw) {
      e.event.time_stamp = static_cast<int32_t>(now);
      inst.record->event_entry(inst.record->instance, &e.event);
      continue;
    }
    if (e.pin < 0 || e.pin >= static_cast<int>(inst.slots.size()))
      continue;
    Slot &s = inst.slots[e.pin];
    if (s.statusPending && s.pendingSequence == e.sequence)
      s.statusPending = false;
    if (e.hasValue && !s.Connected()) {
      s.value = e.value;
      s.rawValue = static_cast<intptr_t>(ToInteger(e.value));
    }
    WriteVariable(s);
    inst.sleeping = false;
    SETimedEvent ev{};
    ev.time_stamp = static_cast<int32_t>(now);
    ev.event_type = EV_PIN_STATUS;
    ev.int_value = e.status;
    ev.ptr_value = e.pin;
    inst.record->event_entry(inst.record->instance, &ev);
  }
}

void Host::ProcessBlock() {
  if (!m_open)
    throw HostError("open the patch before processing");
  for (int id : m_order) {
    CheckInterrupt();
    ProcessInstance(*m_instances[id]);
  }
  m_blockStart += m_blockSize;
}

void Host::ProcessInstance(Instance &inst) {
  if (inst.closed)
    return;
  for (Slot &s : inst.slots) {
    if (!s.info.IsAudio())
      continue;
    if (s.info.IsInput() && !s.Connected() && s.source)
      s.source->Fill(s.buffer, m_blockSize, m_blockStart);
    if (s.info.IsInput() && s.from.size() > 1)
      SumFeeders(s);
    WriteVariable(s);
  }
  int32_t pos = 0;
  while (pos < m_blockSize && !inst.closed) {
    const int64_t now = m_blockStart + pos;
    DeliverDue(inst, now);
    if (inst.closed)
      return;
    int64_t next = m_blockStart + m_blockSize;
    if (!inst.events.empty())
      next = std::min(next, inst.events.front().clock);
    if (next <= now)
      continue; // an event queued for now during delivery
    if (!inst.sleeping) {
      inst.clock = now;
      ++inst.processCalls;
      inst.record->process(inst.record->instance, pos, static_cast<int32_t>(next - now));
    }
    pos = static_cast<int32_t>(next - m_blockStart);
  }
}

std::vector<float> Host::Render(int instance, const std::string &pin, int64_t samples) {
  return Render(instance, PinIndex(instance, pin), samples);
}

std::vector<float> Host::Render(int instance, int pin, int64_t samples) {
  Slot &slot = SlotAt(instance, pin);
  if (!slot.info.IsAudio())
    throw HostError("only audio pins can be rendered");
  std::vector<float> out;
  out.reserve(static_cast<size_t>(std::max<int64_t>(samples, 0)));
  while (static_cast<int64_t>(out.size()) < samples) {
    ProcessBlock();
    const int64_t take = std::min<int64_t>(m_blockSize, samples - out.size());
    out.insert(out.end(), slot.buffer, slot.buffer + take);
  }
  return out;
}

const float *Host::Buffer(int instance, int pin) const {
  return const_cast<Host *>(this)->SlotAt(instance, pin).buffer;
}

void Host::SetBlockSize(int32_t block_size) {
  if (block_size <= 0 || block_size > m_capacity)
    throw HostError("block size must be between 1 and " + std::to_string(m_capacity));
  m_blockSize = block_size;
  for (auto &ptr : m_instances)
    if (!ptr->closed)
      ptr->record->dispatcher(ptr->record, DOP_BLOCK_SIZE, 0, block_size, nullptr, 0.0f);
}

void Host::CheckInterrupt() const {
  if (m_interrupted != nullptr && m_interrupted())
    throw HostInterrupted("interrupted");
}

SEModuleRecord *Host::Record(int instance) const {
  const Instance &inst = At(instance);
  return inst.closed ? nullptr : inst.record;
}

intptr_t Host::Dispatch(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                        float opt) {
  Instance &inst = At(instance);
  if (inst.closed)
    throw HostError(inst.label + " is closed");
  if (opcode == DOP_CLOSE) {
    Close(instance);
    return 1;
  }
  return inst.record->dispatcher(inst.record, opcode, index, value, ptr, opt);
}

void Host::RecordRequests(int instance, bool on) { At(instance).recording = on; }
const std::vector<Request> &Host::Requests(int instance) const { return At(instance).requests; }
void Host::ClearRequests(int instance) { At(instance).requests.clear(); }
bool Host::Sleeping(int instance) const { return At(instance).sleeping; }
int Host::ProcessCalls(int instance) const { return At(instance).processCalls; }

void Host::Close(int instance) {
  Instance &inst = At(instance);
  if (inst.closed)
    return;
  inst.record->dispatcher(inst.record, DOP_CLOSE, 0, 0, nullptr, 0.0f);
  inst.closed = true;
  inst.record = nullptr;
  inst.events.clear();
}

intptr_t Host::OnRequest(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                         float opt) {
  Instance &inst = At(instance);
  if (inst.recording) {
    Request r{opcode, index, value, reinterpret_cast<intptr_t>(ptr), opt, {}};
    if (opcode == HRQ_ADD_EVENT && ptr != nullptr)
      r.event = *static_cast<SETimedEvent *>(ptr);
    inst.requests.push_back(r);
  }
  const bool valid_pin = index >= 0 && index < static_cast<int>(inst.slots.size());
  switch (opcode) {
  case HRQ_PIN_STATUS: {
    if (!valid_pin || !inst.slots[index].info.IsOutput())
      return 0;
    Slot &out = inst.slots[index];
    out.postedStatus = value;
    const int32_t clock32 = static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr));
    const int64_t clock = m_blockStart + static_cast<int32_t>(static_cast<uint32_t>(clock32) -
                                                              static_cast<uint32_t>(m_blockStart));
    for (const auto &[to, pin] : out.targets)
      QueueStatus(to, pin, clock, FedStatus(At(to).slots[pin], value), false, 0.0);
    return 0;
  }
  case HRQ_PIN_CONNECTED: {
    if (!valid_pin)
      return 0;
    const Slot &s = inst.slots[index];
    return (s.Connected() || s.fed || !s.targets.empty()) ? 1 : 0;
  }
  case HRQ_SAMPLE_CLOCK: return static_cast<int32_t>(inst.clock);
  case HRQ_PIN_BUFFER: return valid_pin ? reinterpret_cast<intptr_t>(inst.slots[index].buffer) : 0;
  case HRQ_BLOCK_START_CLOCK: return static_cast<int32_t>(m_blockStart);
  case HRQ_SLEEP: inst.sleeping = true; return 0;
  case HRQ_PIN_COUNT: return static_cast<intptr_t>(inst.slots.size());
  case HRQ_ADD_EVENT:
    if (ptr != nullptr)
      QueueEvent(instance, *static_cast<SETimedEvent *>(ptr));
    return 0;
  case HRQ_PROCESS_CHANGED: return 0; // the entry is read from the record at every call
  default: return 0;
  }
}

} // namespace sehost
