#include "host.h"

#include "event_heap.h"
#include "module_runner.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sehost {

namespace {

// A pin value as an integer. Values that are not finite or lie beyond the
// 64-bit range give 0 rather than an undefined conversion.
int64_t ToInteger(double v) { return (v > -9.2e18 && v < 9.2e18) ? static_cast<int64_t>(v) : 0; }

// The value a runner writes: the variable takes as many low bits as it holds.
intptr_t RunnerValue(double v) { return static_cast<intptr_t>(ToInteger(v)); }

} // namespace

struct Host::Slot {
  PinInfo info;
  // Inputs: the outputs that feed the pin, (instance, pin) in connection
  // order. Audio inputs take any number and get their sum; others take one.
  std::vector<std::pair<int, int>> from;
  std::unique_ptr<Source> source; // audio inputs not fed by a module
  bool fed = false;               // a source given by the user counts as a connection
  double value = 0.0;             // non-audio inputs nothing feeds
  bool valueSet = false;          // set by the user; else the default text holds
  bool Connected() const { return !from.empty(); }
  // Outputs: connected inputs and the status last posted.
  std::vector<std::pair<int, int>> targets;
  int32_t postedStatus = PS_STATIC;
};

// One instance: its runner, and what the host knows of it besides. The
// runner's buffers are the patch's: an output's buffer is its runner's own, an
// input with one feeder is bound to that output's buffer, any other audio
// input holds its source's samples or its feeders' sum in its own.
struct Host::Instance final : se_runtime::RunnerListener {
  Host *host = nullptr;
  int id = 0;
  std::string label;
  PluginLibrary *library = nullptr;
  se_runtime::EventHeap events;
  se_runtime::ModuleRunner runner;
  std::vector<Slot> slots;
  bool closed = false;
  bool recording = false;
  std::vector<Request> requests;

  void Requested(int32_t opcode, int32_t index, int32_t value, void *ptr, float opt) override {
    if (!recording)
      return;
    Request r{opcode, index, value, reinterpret_cast<intptr_t>(ptr), opt, {}};
    if (opcode == HRQ_ADD_EVENT && ptr != nullptr)
      r.event = *static_cast<SETimedEvent *>(ptr);
    requests.push_back(r);
  }
  void StatusPosted(int pin, int64_t clock, int32_t status) override {
    host->StatusPosted(*this, pin, clock, status);
  }
  bool Delivering() override { return host->KeepDelivering(); }
};

Host::Host(float sample_rate, int32_t block_size)
    : m_sampleRate(sample_rate), m_blockSize(block_size), m_capacity(block_size) {
  if (!(sample_rate > 0.0f) || !std::isfinite(sample_rate))
    throw HostError("sample rate must be a positive number");
  if (block_size <= 0 || block_size > (1 << 20))
    throw HostError("block size must be between 1 and 1048576");
}

Host::~Host() {
  // Downstream first: a module may read what its feeders published until it closes.
  for (auto it = m_instances.rbegin(); it != m_instances.rend(); ++it)
    (*it)->runner.Close();
}

PluginLibrary &Host::Load(const std::string &path) {
  auto it = m_libraries.find(path);
  if (it != m_libraries.end())
    return *it->second;
  const std::string name = PluginLibrary::NameOf(path);
  const se::PluginEntry *entry = m_modules != nullptr ? m_modules->Find(name.c_str()) : nullptr;
  auto library =
      entry != nullptr ? PluginLibrary::FromEntry(name, *entry) : PluginLibrary::Load(path);
  return *m_libraries.emplace(path, std::move(library)).first->second;
}

int Host::Add(PluginLibrary &library, const std::string &label) {
  RequireBuilding("add an instance");
  auto inst = std::make_unique<Instance>();
  const int id = static_cast<int>(m_instances.size());
  inst->host = this;
  inst->id = id;
  inst->label = label.empty() ? library.Description().name : label;
  inst->library = &library;
  se_runtime::ModuleRunner &r = inst->runner;
  r.SetEventStore(&inst->events);
  r.SetListener(inst.get());
  r.SetSilenceWhileAsleep(false); // a sleeping module's output holds its settled value
  if (!r.Create(library.Entry(), m_sampleRate, m_capacity))
    throw HostError(library.Path() + (r.Record() == nullptr
                                          ? ": makeModule created no instance"
                                          : ": the module has more pins than a host runs (" +
                                                std::to_string(r.kMaxPins) + ")"));
  for (int pin = 0; pin < r.PinCount(); ++pin) {
    Slot slot;
    slot.info = PinInfoOf(r.Pin(pin), r.ListIndex(pin), pin);
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
  if (!inst.runner.AddPins(count))
    throw HostError(inst.label + ": more pins than a host runs (" +
                    std::to_string(se_runtime::ModuleRunner::kMaxPins) + ")");
  for (int i = 0; i < count; ++i) {
    Slot slot;
    slot.info = inst.slots.back().info;
    slot.info.property_index = -1;
    slot.info.dsp_index = static_cast<int>(inst.slots.size());
    slot.info.variable = nullptr;
    inst.slots.push_back(std::move(slot));
  }
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
  At(from).runner.SetConnected(out_pin, true);
  At(to).runner.SetConnected(in_pin, true);
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
  At(instance).runner.SetConnected(pin, true);
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
  At(instance).runner.QueueValueAt(clock, pin, RunnerValue(value));
}

void Host::QueueEvent(int instance, const SETimedEvent &event) {
  At(instance).runner.QueueTimedEvent(event);
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

// Audio inputs nothing feeds hold their default, others their one feeder's
// buffer; non-audio inputs nothing feeds start from their default text.
void Host::PrepareInputs() {
  for (auto &ptr : m_instances) {
    for (Slot &s : ptr->slots) {
      if (!s.info.IsInput())
        continue;
      if (s.info.IsAudio() && !s.Connected() && !s.source)
        s.source = std::make_unique<SteppedSource>(static_cast<float>(s.info.DefaultValue()));
      if (s.info.IsAudio() && s.from.size() == 1)
        ptr->runner.Bind(s.info.dsp_index, FeederBuffer(s, 0));
      if (!s.info.IsAudio() && !s.Connected() && !s.valueSet)
        s.value = s.info.DefaultValue();
    }
  }
}

void Host::Open() {
  if (m_open)
    throw HostError("the patch is already open");
  m_order = OpenOrder();
  PrepareInputs();
  m_open = true;
  for (int id : m_order) {
    CheckInterrupt();
    OpenInstance(*m_instances[id]);
  }
}

void Host::OpenInstance(Instance &inst) {
  se_runtime::ModuleRunner &r = inst.runner;
  for (const Slot &s : inst.slots) {
    if (!s.info.IsInput())
      continue;
    const int pin = s.info.dsp_index;
    if (!s.info.IsAudio()) {
      if (s.Connected()) {
        const auto &[from, out_pin] = s.from[0];
        r.LinkValue(pin, m_instances[from]->runner.Pin(out_pin).variable);
      } else {
        r.SetValue(pin, RunnerValue(s.value));
      }
    }
    const bool streaming =
        s.Connected() ? FedStatus(s, PS_ONCE) == PS_RUNNING : s.source && s.source->Streaming();
    r.SetStreaming(pin, streaming);
  }
  r.Open(m_blockStart);
}

const Host::Slot &Host::FeederSlot(const Slot &input, size_t i) const {
  const auto &[instance, pin] = input.from[i];
  return m_instances[instance]->slots[pin];
}

float *Host::FeederBuffer(const Slot &input, size_t i) const {
  const auto &[instance, pin] = input.from[i];
  return m_instances[instance]->runner.PinBuffer(pin);
}

// The status of an input that outputs feed, when one of them posts `posted`:
// a sum streams while any of its parts streams.
int32_t Host::FedStatus(const Slot &input, int32_t posted) const {
  for (size_t i = 0; i < input.from.size(); ++i)
    if (FeederSlot(input, i).postedStatus == PS_RUNNING)
      return PS_RUNNING;
  return posted;
}

// A module posted an output's status: every input it feeds gets a status
// event at that clock (feeders run first, so in the same block).
void Host::StatusPosted(Instance &from, int pin, int64_t clock, int32_t status) {
  Slot &out = from.slots[pin];
  out.postedStatus = status;
  for (const auto &[to, in_pin] : out.targets)
    At(to).runner.QueueStatusAt(clock, in_pin, FedStatus(At(to).slots[in_pin], status));
}

void Host::SumFeeders(Instance &inst, Slot &input) {
  float *sum = inst.runner.PinBuffer(input.info.dsp_index);
  std::copy_n(FeederBuffer(input, 0), m_blockSize, sum);
  for (size_t f = 1; f < input.from.size(); ++f) {
    const float *part = FeederBuffer(input, f);
    for (int32_t i = 0; i < m_blockSize; ++i)
      sum[i] += part[i];
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
    if (!s.info.IsAudio() || !s.info.IsInput())
      continue;
    if (!s.Connected() && s.source)
      s.source->Fill(inst.runner.PinBuffer(s.info.dsp_index), m_blockSize, m_blockStart);
    if (s.from.size() > 1)
      SumFeeders(inst, s);
  }
  if (!inst.runner.Process(m_blockSize))
    throw HostInterrupted("interrupted");
}

bool Host::KeepDelivering() {
  return ++m_eventsDelivered % kInterruptCheckEvents != 0 || m_interrupted == nullptr ||
         !m_interrupted();
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
    const float *buffer = Buffer(instance, pin);
    const int64_t take = std::min<int64_t>(m_blockSize, samples - out.size());
    out.insert(out.end(), buffer, buffer + take);
  }
  return out;
}

const float *Host::Buffer(int instance, int pin) const {
  const_cast<Host *>(this)->SlotAt(instance, pin);
  return At(instance).runner.PinBuffer(pin);
}

void Host::SetBlockSize(int32_t block_size) {
  if (block_size <= 0 || block_size > m_capacity)
    throw HostError("block size must be between 1 and " + std::to_string(m_capacity));
  m_blockSize = block_size;
  for (auto &ptr : m_instances)
    if (!ptr->closed)
      ptr->runner.SetBlockSize(block_size);
}

void Host::CheckInterrupt() const {
  if (m_interrupted != nullptr && m_interrupted())
    throw HostInterrupted("interrupted");
}

SEModuleRecord *Host::Record(int instance) const { return At(instance).runner.Record(); }

intptr_t Host::Dispatch(int instance, int32_t opcode, int32_t index, int32_t value, void *ptr,
                        float opt) {
  Instance &inst = At(instance);
  if (inst.closed)
    throw HostError(inst.label + " is closed");
  if (opcode == DOP_CLOSE) {
    Close(instance);
    return 1;
  }
  return inst.runner.Dispatch(opcode, index, value, ptr, opt);
}

void Host::RecordRequests(int instance, bool on) { At(instance).recording = on; }
const std::vector<Request> &Host::Requests(int instance) const { return At(instance).requests; }
void Host::ClearRequests(int instance) { At(instance).requests.clear(); }
bool Host::Sleeping(int instance) const { return At(instance).runner.Sleeping(); }
int Host::ProcessCalls(int instance) const { return At(instance).runner.ProcessCalls(); }

void Host::Close(int instance) {
  Instance &inst = At(instance);
  inst.runner.Close();
  inst.closed = true;
}

} // namespace sehost
