// Every plugin of the LV2 bundle, linked in, driven through its LV2_Descriptor
// as a host would drive it, by a program decoded from the fuzz input. The
// failures: a sanitizer report, an allocation inside run() or connect_port(),
// an output sample that is not finite or passes the plugin's stated ceiling
// (PluginDef::outputCeiling; once a program raises the output level above
// 0 dB or bypasses the plugin, only a non-finite output from finite inputs),
// a write into an input buffer no output shares,
// a changed floating-point environment, and a plugin that refuses a host that
// gives it all it declares it needs.
//
// Program (multi-byte numbers little-endian; a read past the end gives 0):
//   plugin    u8  index among the bundle's plugins
//   rate      u8  index into kRates
//   features  u8  bit 0 urid:map, bit 1 options, bit 2 options with NULL data,
//                 bit 3 a maxBlockLength entry, bit 4 a minBlockLength entry,
//                 bits 5-6 the entry's type: Int, Long, Float, Int of size 8
//   [length   int  the maxBlockLength value, with bit 3]
//   ports     per port u8: the buffer it starts on (see connect)
//   then operations, each u8 code % kOpCount and its operands:
//   0 run        u16 n (see RunLength), per audio/CV input connected: u8 fill
//                (% 4: silence, a tone, raw values, one value), its values;
//                u8 sequence (bit 0 not a Sequence, bit 1 shorter than its
//                header, bit 2 beat time, bits 3-7 events), per event:
//                frame (u8 kind % 5: within the run, negative, past the run,
//                an extreme, raw), u8 kind (bit 0 MIDI, bit 1 a lying size,
//                bit 2 cut short here), u8 bytes % 9, the bytes
//   1 connect    u8 port, u8 choice: audio and CV ports take pool buffer
//                choice % kPool (CV: bit 7 for none; an output never takes a
//                buffer another output has), controls slot choice % kPorts
//   2 deactivate
//   3 activate
//   4 controls   u8 count % 8, per control: u8 port, value
// A value: u8 s; s % 4 < 2: kSpecialValues[s / 4 % size]; 2: i16 / 16384;
// 3: raw float bits. An int: u8 s % 8: 0, 1, -1, INT32_MAX, INT32_MIN, u8,
// or (6, 7) a raw i32.
#include "byte_reader.h"
#include "fail.h"
#include "fp_env.h"
#include "host_features.h"
#include "plugin_def.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <string>

extern "C" const LV2_Descriptor *lv2_descriptor(uint32_t index);

namespace {

using sefuzz::CheckFpEnv;
using sefuzz::Fail;
using sefuzz::FpEnv;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

constexpr double kRates[] = {44100.0,  48000.0, 96000.0, 8000.0,  22050.0, 192000.0,
                             384000.0, 1.0,     0.5,     0.0,     -1.0,    1e7,
                             1e9,      kNaN,    kInf,    11025.0, 1000.0,  2.0};

constexpr float kSpecialValues[] = {0.0f,   -0.0f,   0.5f,    1.0f,         -1.0f,    0.05f,
                                    1.05f,  10.0f,   -10.0f,  1e-3f,        kNaN,     kInf,
                                    -kInf,  FLT_MIN, FLT_MAX, FLT_TRUE_MIN, -FLT_MAX, 1e30f,
                                    -1e30f, 0.2f,    0.999f,  22050.0f,     255.0f,   4.0f};

constexpr int kPool = 6;                // audio buffers ports share among them
constexpr uint32_t kMaxRun = 5000;      // frames of one run
constexpr int64_t kMaxFrames = 1 << 14; // frames of one program
constexpr size_t kSequenceBytes = 2048; // the MIDI port's buffer
constexpr int kMaxOps = 48;
constexpr uint32_t kMaxPorts = 64;
enum Op { kRun, kConnect, kDeactivate, kActivate, kControls, kOpCount };

class Reader : public sefuzz::ByteReader {
public:
  Reader(const uint8_t *data, size_t size) : ByteReader(data, size, kSpecialValues) {}
};

// Allocations are failures while this is set: inside run() and connect_port().
std::atomic<bool> g_realTime{false};

void OnMalloc(const volatile void *, size_t size) {
  if (g_realTime.exchange(false))
    Fail("fuzz_lv2: an allocation of %zu bytes inside run() or connect_port()", size);
}
void OnFree(const volatile void *) {}

// The host's URID map: every URI once, for the process.
LV2_URID Map(LV2_URID_Map_Handle, const char *uri) {
  static std::map<std::string, LV2_URID> ids;
  return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}
LV2_URID Urid(const char *uri) { return Map(nullptr, uri); }
LV2_URID_Map g_map{nullptr, &Map};

// One program against one instance.
class Session {
public:
  Session(Reader &in, const LV2_Descriptor &d, const se_lv2::PluginDef &def)
      : m_in(in), m_d(d), m_def(def) {}
  void Run();

private:
  bool Instantiate();
  void Connect(uint32_t port, uint8_t choice);
  void RunOnce();
  void FillInputs(uint32_t n);
  void WriteSequence(uint32_t n);
  void SetControls();
  void Check(uint32_t n);
  void WatchStage();
  bool IsAudio(uint32_t port) const {
    const se_lv2::PortType t = m_def.ports[port].type;
    return t == se_lv2::PortType::kAudioIn || t == se_lv2::PortType::kAudioOut ||
           t == se_lv2::PortType::kCV;
  }
  bool IsOutput(uint32_t port) const {
    return m_def.ports[port].type == se_lv2::PortType::kAudioOut;
  }
  // Pool buffer of an audio port, -1 for none.
  int PoolOf(uint32_t port) const {
    for (int b = 0; b < kPool; ++b)
      if (m_ports[port] == m_pool[b])
        return b;
    return -1;
  }

  Reader &m_in;
  const LV2_Descriptor &m_d;
  const se_lv2::PluginDef &m_def;
  LV2_Handle m_handle = nullptr;
  bool m_active = false;
  uint32_t m_promised = kMaxRun; // the longest run the host may make
  int64_t m_frames = 0;
  float m_pool[kPool][kMaxRun] = {};
  float m_controls[kMaxPorts] = {};
  alignas(8) uint8_t m_sequence[kSequenceBytes] = {};
  void *m_ports[kMaxPorts] = {};
  uint64_t m_inputSums[kPool] = {};
  bool m_inputsFinite = true; // every audio input sample of the run
  bool m_stageMoved = false;  // output level above 0 dB or bypass, once in the program
};

bool Session::Instantiate() {
  const double rate = kRates[m_in.U8() % std::size(kRates)];
  const uint8_t flags = m_in.U8();
  static const int32_t kMinBlock = 1;
  const int32_t length = flags & 8 ? m_in.Int() : 0;
  const int64_t length_long = length;
  const float length_float = static_cast<float>(length);
  LV2_Options_Option options[3] = {};
  int count = 0;
  if (flags & 8) {
    LV2_Options_Option &o = options[count++];
    o.context = LV2_OPTIONS_INSTANCE;
    o.key = Urid(LV2_BUF_SIZE__maxBlockLength);
    switch (flags >> 5 & 3) {
    case 0: o = {o.context, 0, o.key, 4, Urid(LV2_ATOM__Int), &length}; break;
    case 1: o = {o.context, 0, o.key, 8, Urid(LV2_ATOM__Long), &length_long}; break;
    case 2: o = {o.context, 0, o.key, 4, Urid(LV2_ATOM__Float), &length_float}; break;
    default: o = {o.context, 0, o.key, 8, Urid(LV2_ATOM__Int), &length_long}; break;
    }
  }
  if (flags & 16)
    options[count++] = {LV2_OPTIONS_INSTANCE, 0,         Urid(LV2_BUF_SIZE__minBlockLength), 4,
                        Urid(LV2_ATOM__Int),  &kMinBlock};
  const LV2_Feature map{LV2_URID__map, &g_map};
  const LV2_Feature opts{LV2_OPTIONS__options, flags & 4 ? nullptr : options};
  const LV2_Feature *features[3] = {};
  int f = 0;
  if (flags & 1)
    features[f++] = &map;
  if (flags & 2)
    features[f++] = &opts;
  m_handle = m_d.instantiate(&m_d, rate, "/nonexistent/", features);
  // A host that gives what the plugin declares, at a rate in everyday use, is
  // served.
  const bool entitled =
      rate >= 8000.0 && rate <= 384000.0 && (flags & 1 || !se_lv2::RequiresUridMap(m_def));
  if (m_handle == nullptr && entitled)
    Fail("fuzz_lv2: %s refused a rate of %g with features %#x", m_def.uri, rate, flags);
  // The host keeps its promise only when it made a usable one (an Int or a
  // Long of at least 1, read through the map).
  const bool usable = (flags & 11) == 11 && !(flags & 4) && (flags >> 5 & 3) < 2;
  if (usable && length >= 1 && static_cast<uint32_t>(length) < kMaxRun)
    m_promised = static_cast<uint32_t>(length);
  return m_handle != nullptr;
}

void Session::Connect(uint32_t port, uint8_t choice) {
  void *data = nullptr;
  const se_lv2::PortType type = m_def.ports[port].type;
  if (type == se_lv2::PortType::kControl) {
    data = &m_controls[choice % m_def.portCount];
  } else if (type == se_lv2::PortType::kMidiIn) {
    data = m_sequence;
  } else if (type == se_lv2::PortType::kCV && choice & 0x80) {
    data = nullptr;
  } else {
    int b = choice % kPool;
    // Two outputs never share a buffer: the next free one.
    for (int tries = 0; IsOutput(port) && tries < kPool; ++tries, b = (b + 1) % kPool) {
      bool taken = false;
      for (uint32_t q = 0; q < m_def.portCount; ++q)
        taken = taken || (q != port && IsOutput(q) && m_ports[q] == m_pool[b]);
      if (!taken)
        break;
    }
    data = m_pool[b];
  }
  m_ports[port] = data;
  const FpEnv fp = FpEnv::Current();
  g_realTime = true;
  m_d.connect_port(m_handle, port, data);
  g_realTime = false;
  CheckFpEnv(fp, "connect_port");
}

void Session::FillInputs(uint32_t n) {
  m_inputsFinite = true;
  for (uint32_t p = 0; p < m_def.portCount; ++p) {
    const se_lv2::PortType type = m_def.ports[p].type;
    if ((type != se_lv2::PortType::kAudioIn && type != se_lv2::PortType::kCV) ||
        m_ports[p] == nullptr)
      continue;
    float *b = static_cast<float *>(m_ports[p]);
    switch (m_in.U8() % 4) {
    case 0: std::memset(b, 0, sizeof(float) * n); break;
    case 1: {
      const float step = 0.001f + static_cast<float>(m_in.U8()) * 0.002f;
      for (uint32_t k = 0; k < n; ++k)
        b[k] = 0.8f * std::sin(step * static_cast<float>(m_frames + k));
      break;
    }
    case 2: {
      const uint32_t count = 1 + m_in.U8() % 16;
      for (uint32_t k = 0; k < n; ++k)
        b[k] = k < count ? m_in.Value() : b[k % count];
      break;
    }
    default: {
      const float v = m_in.Value();
      for (uint32_t k = 0; k < n; ++k)
        b[k] = v;
    }
    }
  }
  // Inputs may share buffers: the finite test runs once all are written.
  for (uint32_t p = 0; p < m_def.portCount; ++p)
    if (m_def.ports[p].type == se_lv2::PortType::kAudioIn && m_ports[p] != nullptr)
      for (uint32_t k = 0; k < n; ++k)
        m_inputsFinite = m_inputsFinite && std::isfinite(static_cast<const float *>(m_ports[p])[k]);
}

// The output stage's controls as the plugin will read them: a level above
// 0 dB or a bypass lets outputs pass the ceiling (a bypassed plugin passes its
// input as it is) from then on, glides included.
void Session::WatchStage() {
  for (uint32_t p = 0; p < m_def.portCount; ++p) {
    const se_lv2::PortSpec &spec = m_def.ports[p];
    if (spec.mapping != se_lv2::PinMapping::kOutputLevel &&
        spec.mapping != se_lv2::PinMapping::kEnabled)
      continue;
    const auto *v = static_cast<const float *>(m_ports[p]);
    const float value = v != nullptr && *v == *v ? *v : spec.defaultValue;
    if (spec.mapping == se_lv2::PinMapping::kOutputLevel ? value > 0.0f : value < 0.5f)
      m_stageMoved = true;
  }
}

// A sequence whose own size is honest (the host's part of the contract),
// holding events that may lie about theirs.
void Session::WriteSequence(uint32_t n) {
  const uint8_t flags = m_in.U8();
  uint8_t *seq = m_sequence;
  size_t at = sizeof(LV2_Atom_Sequence);
  size_t end = at;
  for (int e = 0; e < flags >> 3; ++e) {
    int64_t frame = 0;
    switch (m_in.U8() % 5) {
    case 0: frame = m_in.U16() % (n + 1); break;
    case 1: frame = -1 - m_in.U8(); break;
    case 2: frame = int64_t{n} + m_in.U16(); break;
    case 3: frame = m_in.U8() & 1 ? INT64_MAX : INT64_MIN; break;
    default: frame = m_in.Int(); break;
    }
    const uint8_t kind = m_in.U8();
    const uint32_t bytes = m_in.U8() % 9;
    if (at + sizeof(LV2_Atom_Event) + 8 > kSequenceBytes)
      break;
    LV2_Atom_Event ev{};
    ev.time.frames = frame;
    ev.body.type = kind & 1 ? Urid(LV2_MIDI__MidiEvent) : Urid(LV2_ATOM__Int);
    ev.body.size = kind & 2 ? m_in.U32() : bytes;
    std::memcpy(seq + at, &ev, sizeof ev);
    for (uint32_t k = 0; k < bytes; ++k)
      seq[at + sizeof ev + k] = m_in.U8();
    if (kind & 4) { // the sequence ends inside this event
      end = at + m_in.U8() % (sizeof ev + bytes + 1);
      break;
    }
    at += sizeof ev + ((bytes + 7) & ~7u);
    end = at;
  }
  LV2_Atom_Sequence header{};
  header.atom.type = flags & 1 ? Urid(LV2_ATOM__Chunk) : Urid(LV2_ATOM__Sequence);
  header.atom.size = flags & 2 ? m_in.U8() % 8 : static_cast<uint32_t>(end - sizeof(LV2_Atom));
  header.body.unit = flags & 4 ? Urid(LV2_ATOM__beatTime) : 0;
  std::memcpy(seq, &header, sizeof header);
}

void Session::SetControls() {
  const int count = m_in.U8() % 8;
  for (int i = 0; i < count; ++i) {
    const uint32_t port = m_in.U8() % m_def.portCount;
    const float v = m_in.Value();
    if (m_def.ports[port].type == se_lv2::PortType::kControl && m_ports[port] != nullptr)
      *static_cast<float *>(m_ports[port]) = v;
  }
}

// Output buffers that no other port reads: what an input left is the sum.
uint64_t Sum(const float *b, uint32_t n) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t k = 0; k < n; ++k) {
    uint32_t bits;
    std::memcpy(&bits, &b[k], sizeof bits);
    h = (h ^ bits) * 1099511628211ull;
  }
  return h;
}

void Session::Check(uint32_t n) {
  for (uint32_t p = 0; p < m_def.portCount; ++p) {
    if (!IsOutput(p) || m_ports[p] == nullptr)
      continue;
    const float *b = static_cast<const float *>(m_ports[p]);
    for (uint32_t k = 0; k < n; ++k)
      if (m_stageMoved ? m_inputsFinite && !std::isfinite(b[k])
                       : !(std::fabs(b[k]) <= m_def.outputCeiling))
        Fail("fuzz_lv2: %s port %s sample %u of %u is %g, beyond its ceiling %g", m_def.uri,
             m_def.ports[p].symbol, k, n, static_cast<double>(b[k]),
             static_cast<double>(m_def.outputCeiling));
  }
  for (int b = 0; b < kPool; ++b) {
    bool written = false, read = false;
    for (uint32_t p = 0; p < m_def.portCount; ++p) {
      written = written || (IsOutput(p) && m_ports[p] == m_pool[b]);
      read = read || (IsAudio(p) && !IsOutput(p) && m_ports[p] == m_pool[b]);
    }
    if (read && !written && Sum(m_pool[b], n) != m_inputSums[b])
      Fail("fuzz_lv2: %s wrote into input buffer %d", m_def.uri, b);
  }
}

void Session::RunOnce() {
  const uint16_t r = m_in.U16();
  // Mostly short runs, now and then one up to the promised length.
  uint32_t n = r & 0x8000 ? r % (m_promised + 1) : r % 80;
  if (n > m_promised)
    n = m_promised;
  FillInputs(n);
  WriteSequence(n);
  if (!m_active)
    return;
  for (int b = 0; b < kPool; ++b)
    m_inputSums[b] = Sum(m_pool[b], n);
  WatchStage();
  const FpEnv fp = FpEnv::Current();
  g_realTime = true;
  m_d.run(m_handle, n);
  g_realTime = false;
  CheckFpEnv(fp, "run");
  Check(n);
  m_frames += n;
}

void Session::Run() {
  if (!Instantiate())
    return;
  for (uint32_t p = 0; p < m_def.portCount; ++p)
    m_controls[p] = m_def.ports[p].defaultValue;
  for (uint32_t p = 0; p < m_def.portCount; ++p)
    Connect(p, m_in.U8());
  WatchStage(); // activate sets the stage at once
  if (m_d.activate != nullptr)
    m_d.activate(m_handle);
  m_active = true;
  for (int op = 0; op < kMaxOps && !m_in.Empty() && m_frames < kMaxFrames; ++op) {
    switch (m_in.U8() % kOpCount) {
    case kRun: RunOnce(); break;
    case kConnect: {
      const uint32_t port = m_in.U8() % m_def.portCount;
      Connect(port, m_in.U8());
      break;
    }
    case kDeactivate:
      if (m_active && m_d.deactivate != nullptr)
        m_d.deactivate(m_handle);
      m_active = false;
      break;
    case kActivate:
      WatchStage();
      if (!m_active && m_d.activate != nullptr)
        m_d.activate(m_handle);
      m_active = true;
      break;
    case kControls: SetControls(); break;
    default: break;
    }
  }
  if (m_active && m_d.deactivate != nullptr)
    m_d.deactivate(m_handle);
  m_d.cleanup(m_handle);
}

void RunProgram(const uint8_t *data, size_t size) {
  uint32_t count = 0;
  while (lv2_descriptor(count) != nullptr)
    ++count;
  Reader in(data, size);
  const LV2_Descriptor *d = lv2_descriptor(in.U8() % count);
  const se_lv2::PluginDef *def = se_lv2::Registry::Find(d->URI);
  if (def == nullptr || !(def->outputCeiling > 0.0f) || def->outputCeiling >= 10.0f)
    Fail("fuzz_lv2: %s states no ceiling below 10", d->URI);
  if (def->portCount > kMaxPorts)
    Fail("fuzz_lv2: %s has more than %u ports", d->URI, kMaxPorts);
  auto session = std::make_unique<Session>(in, *d, *def); // large: kept off the stack
  session->Run();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree);
  // The generator's first open builds every table; done here, it is not
  // counted against the first input's time.
  const uint8_t warm_up[] = {0, 1, 1};
  for (uint8_t plugin = 0; plugin < 8; ++plugin) {
    uint8_t program[sizeof warm_up];
    std::memcpy(program, warm_up, sizeof program);
    program[0] = plugin;
    RunProgram(program, sizeof program);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  RunProgram(data, size);
  return 0;
}
