// The three plugin libraries, as built, driven through their C records by a
// small program decoded from the fuzz input. Sanitizer reports, a changed
// floating-point environment, hangs and leaks are the failures.
//
// Program (every multi-byte number little-endian; a read past the end gives 0):
//   mode      u8   0 filter | 1 generator -> oscillator | 2 oscillator without
//                  generator | 3 generator -> oscillator -> filter ("Signal")
//   rate      u8   index into kRates
//   block     u16  block size 1 + block % 4096 (also the buffers' size)
//   then operations, each u8 code % kOpCount and its operands:
//   0 process   u8 n: 1 + n % 4 blocks
//   1 audio     u8 instance, u8 input (among free audio inputs), u16 offset,
//               u8 streaming (bit 0), [u8 count: 1 + count % 8 if streaming], values
//   2 choice    u8 instance, u8 input (among free choice inputs), u16 offset, choice value
//   3 event     u8 instance, u16 offset, int type, int pin index, int int_value, u16 short
//   4 dispatch  u8 instance, int opcode, int index, int value, u8 ptr (bit 0), value opt
//   5 rate      u8 index into kRates (sent to every instance)
//   6 block     u16: block size 1 + n % block size (sent to every instance)
//   7 reopen    u8 instance: closed, made again, opened
//   8 library   u8 library, int index, u8 props (bit 0), int index, int type, u8 n, n GUI calls
// Offsets count samples from the start of the next block, up to two blocks on.
// A value: u8 s; s % 4 < 2: kSpecialValues[s / 4 % size]; 2: i16 / 16384; 3: raw float bits.
// An int: u8 s % 8: 0, 1, -1, INT32_MAX, INT32_MIN, u8, or (6, 7) a raw i32.
// A choice value: u8 s; bit 7 set: kSpecialChoices[s % size], else a raw i16.
#include "byte_reader.h"
#include "fail.h"
#include "fp_env.h"
#include "plugin_rig.h"
#include "scratch_dir.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace {

using sefuzz::CheckFpEnv;
using sefuzz::Fail;
using sefuzz::FpEnv;
using sefuzz::Rig;

// Samples of clock one program may run: keeps every input quick.
constexpr int64_t kMaxClock = int64_t{1} << 14;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

constexpr float kRates[] = {44100.0f,  48000.0f,  96000.0f,     8000.0f,  22050.0f,
                            192000.0f, 768000.0f, 1000.0f,      11025.0f, 1.0f,
                            0.5f,      1e-30f,    FLT_TRUE_MIN, 1e9f,     FLT_MAX,
                            0.0f,      -44100.0f, kNaN,         kInf,     -kInf};

constexpr float kSpecialValues[] = {0.0f,  -0.0f,   0.5f,         1.0f,          -1.0f,   0.05f,
                                    1.05f, 10.0f,   -10.0f,       1e-3f,         kNaN,    kInf,
                                    -kInf, FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN, FLT_MAX, -FLT_MAX,
                                    1e30f, -1e30f,  0.2f,         0.9999f,       2.2f};

constexpr int16_t kSpecialChoices[] = {0,  1,   2,   3,   4,  5,  10,        20,
                                       21, 254, 255, 256, -1, -2, INT16_MIN, INT16_MAX};

enum Mode { kFilterAlone, kLinkedOscillator, kLoneOscillator, kChain, kModeCount };
enum Op {
  kProcess,
  kAudio,
  kChoice,
  kEvent,
  kDispatch,
  kRate,
  kBlock,
  kReopen,
  kLibrary,
  kOpCount
};
enum Library { kFilter, kOscillator, kGenerator, kLibraryCount };

constexpr const char *kLibraryNames[kLibraryCount] = {"ladder_filter", "audio_oscillator",
                                                      "wavetable_generator"};
std::unique_ptr<sehost::PluginLibrary> g_libraries[kLibraryCount];
bool g_trace = false; // SE_FUZZ_TRACE=1: print each operation, for reading a finding

__attribute__((format(printf, 1, 2))) void Trace(const char *format, ...) {
  if (!g_trace)
    return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

// The fuzzer's bytes, with choice values beside the numbers.
class Reader : public sefuzz::ByteReader {
public:
  Reader(const uint8_t *data, size_t size) : ByteReader(data, size, kSpecialValues) {}
  int16_t Choice() {
    const uint8_t s = U8();
    if (s & 0x80)
      return kSpecialChoices[s % std::size(kSpecialChoices)];
    return static_cast<int16_t>(U16());
  }
};

int PinNamed(Library library, const char *name) {
  for (const auto &pin : g_libraries[library]->DspPins())
    if (pin.name == name)
      return pin.dsp_index;
  Fail("%s has no pin \"%s\"", kLibraryNames[library], name);
}

void Build(Rig &rig, Mode mode) {
  auto &filter = *g_libraries[kFilter];
  auto &osc = *g_libraries[kOscillator];
  auto &gen = *g_libraries[kGenerator];
  const int link_out = PinNamed(kGenerator, "QX_Osc_Link");
  const int link_in = PinNamed(kOscillator, "QX_Osc_Link");
  switch (mode) {
  case kFilterAlone: rig.Add(filter); break;
  case kLoneOscillator: rig.Add(osc); break;
  case kLinkedOscillator:
  case kChain: {
    const int g = rig.Add(gen);
    const int o = rig.Add(osc);
    rig.Connect(g, link_out, o, link_in);
    if (mode == kChain)
      rig.Connect(o, PinNamed(kOscillator, "Wave.Out"), rig.Add(filter),
                  PinNamed(kFilter, "Signal"));
    break;
  }
  default: break;
  }
}

intptr_t SE_CDECL SilentHost(void *, int32_t, int32_t, int32_t, void *, float) { return 0; }

// The library entries as a faulty host might call them: any index, any type,
// records made and closed without an open, GUI records given any request.
void LibraryCalls(Reader &in, const FpEnv &fp) {
  sehost::PluginLibrary &lib = *g_libraries[in.U8() % kLibraryCount];
  SEModuleProperties props{};
  const int32_t prop_index = in.Int();
  lib.GetModuleProperties()(prop_index, (in.U8() & 1) ? &props : nullptr);
  CheckFpEnv(fp, "getModuleProperties");
  const int32_t index = in.Int();
  const int32_t type = in.Int();
  void *made = lib.MakeModule()(index, type, &SilentHost, 0);
  CheckFpEnv(fp, "makeModule");
  const int calls = in.U8() % 8;
  if (made == nullptr)
    return;
  if (index != 0 || (type != MT_DSP && type != MT_GUI))
    Fail("%s: makeModule(%d, %d) made a record", lib.Path().c_str(), index, type);
  alignas(16) unsigned char scratch[256] = {};
  if (type == MT_DSP) {
    auto *rec = static_cast<SEModuleRecord *>(made);
    if (rec->magic != SE_MODULE_MAGIC)
      Fail("%s: DSP record magic %#x", lib.Path().c_str(), rec->magic);
    rec->dispatcher(rec, DOP_PIN_PROPERTIES, in.Int(), 0, scratch, 0.0f);
    CheckFpEnv(fp, "dispatcher (pin properties, never opened)");
    rec->dispatcher(rec, DOP_CLOSE, 0, 0, nullptr, 0.0f);
    CheckFpEnv(fp, "dispatcher (close, never opened)");
    return;
  }
  auto *gui = static_cast<SEGuiRecord *>(made);
  if (gui->magic != SE_GUI_MAGIC)
    Fail("%s: GUI record magic %#x", lib.Path().c_str(), gui->magic);
  for (int i = 0; i < calls; ++i) {
    int32_t opcode = in.Int();
    if (opcode == GOP_CLOSE) // closes the record; sent last
      opcode = GOP_CODE0;
    std::memset(scratch, 0, sizeof scratch);
    const int32_t gui_index = in.Int();
    const int32_t value = in.Int();
    const bool with_ptr = in.U8() & 1;
    gui->dispatcher(gui, opcode, gui_index, value, with_ptr ? scratch : nullptr, in.Value());
    CheckFpEnv(fp, "GUI dispatcher");
  }
  gui->dispatcher(gui, GOP_CLOSE, 0, 0, nullptr, 0.0f);
  CheckFpEnv(fp, "GUI dispatcher (close)");
}

void Dispatch(Rig &rig, Reader &in, int instance) {
  int32_t opcode = in.Int();
  // Open, close, rate and block size have operations of their own.
  if (opcode >= DOP_OPEN && opcode <= DOP_BLOCK_SIZE)
    opcode = DOP_PIN_PROPERTIES;
  const int32_t index = in.Int();
  const int32_t value = in.Int();
  alignas(16) unsigned char scratch[256] = {};
  const bool with_ptr = (in.U8() & 1) || opcode == DOP_PIN_PROPERTIES;
  const intptr_t answer =
      rig.Dispatch(instance, opcode, index, value, with_ptr ? scratch : nullptr, in.Value());
  if (opcode == DOP_PROCESS_REFERENCE) {
    const auto *ref = reinterpret_cast<const SEProcessReference *>(answer);
    if (ref == nullptr || ref->one != 1 || ref->zero != 0 || ref->size <= 0 || ref->size > 64)
      Fail("opcode 13 answered a malformed reference record");
  }
}

// The operand of an input change: u8 instance, u8 input among its free inputs
// of one datatype, u16 offset. `pin` is -1 when the instance has none.
struct InputAt {
  int instance;
  int pin;
  int64_t clock;
};

InputAt ReadInputAt(Reader &in, const Rig &rig, int32_t datatype) {
  const int instance = in.U8() % rig.InstanceCount();
  const std::vector<int> pins = rig.FreeInputs(instance, datatype);
  const uint8_t pick = in.U8();
  const int64_t clock = rig.Clock() + in.U16() % (2 * rig.BlockSize());
  return {instance, pins.empty() ? -1 : pins[pick % pins.size()], clock};
}

void Run(Reader &in) {
  const FpEnv fp = FpEnv::Current();
  const auto mode = static_cast<Mode>(in.U8() % kModeCount);
  const float rate = kRates[in.U8() % std::size(kRates)];
  const int32_t block = 1 + in.U16() % 4096;
  Trace("mode %d, rate %g, block %d", mode, static_cast<double>(rate), block);
  Rig rig(rate, block);
  rig.CheckSettledOutputs(true);
  Build(rig, mode);
  rig.Open();
  const int instances = rig.InstanceCount();
  while (!in.Empty() && rig.Clock() < kMaxClock) {
    const auto op = static_cast<Op>(in.U8() % kOpCount);
    switch (op) {
    case kProcess:
      for (int n = 1 + in.U8() % 4; n > 0; --n) {
        Trace("process block at %lld", static_cast<long long>(rig.Clock()));
        rig.ProcessBlock();
      }
      break;
    case kAudio: {
      const InputAt to = ReadInputAt(in, rig, DT_FSAMPLE);
      const bool streaming = in.U8() & 1;
      std::vector<float> pattern(streaming ? 1 + in.U8() % 8 : 1);
      for (float &v : pattern)
        v = in.Value();
      if (to.pin < 0)
        break;
      Trace("audio %d.%d at %lld: %s %g (%zu values)", to.instance, to.pin,
            static_cast<long long>(to.clock), streaming ? "streaming" : "constant",
            static_cast<double>(pattern[0]), pattern.size());
      rig.SetAudio(to.instance, to.pin, to.clock, std::move(pattern), streaming);
      break;
    }
    case kChoice: {
      const InputAt to = ReadInputAt(in, rig, DT_CHOICE);
      const int16_t value = in.Choice();
      if (to.pin < 0)
        break;
      Trace("choice %d.%d at %lld: %d", to.instance, to.pin, static_cast<long long>(to.clock),
            value);
      rig.SetValue(to.instance, to.pin, to.clock, value);
      break;
    }
    case kEvent: {
      const int inst = in.U8() % instances;
      SETimedEvent e{};
      const int64_t at = rig.Clock() + in.U16() % (2 * rig.BlockSize());
      e.event_type = in.Int();
      e.ptr_value = in.Int();
      e.int_value = in.Int();
      e.short_value = in.U16();
      Trace("event %d at %lld: type %d, pin %lld, int %d, short %d", inst,
            static_cast<long long>(at), e.event_type, static_cast<long long>(e.ptr_value),
            e.int_value, e.short_value);
      rig.QueueRaw(inst, at, e);
      break;
    }
    case kDispatch:
      Trace("dispatch");
      Dispatch(rig, in, in.U8() % instances);
      break;
    case kRate: {
      const float r = kRates[in.U8() % std::size(kRates)];
      Trace("sample rate %g", static_cast<double>(r));
      rig.SetSampleRate(r);
      break;
    }
    case kBlock: {
      const int32_t size = 1 + in.U16() % rig.BlockSize();
      Trace("block size %d", size);
      rig.SetBlockSize(size);
      break;
    }
    case kReopen: {
      const int inst = in.U8() % instances;
      Trace("reopen %d", inst);
      rig.Reopen(inst);
      break;
    }
    case kLibrary:
      Trace("library calls");
      LibraryCalls(in, fp);
      break;
    default: break;
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  const std::string dir = sefuzz::PluginDir();
  try {
    for (int i = 0; i < kLibraryCount; ++i)
      g_libraries[i] = sehost::PluginLibrary::Load(dir + "/" + kLibraryNames[i] + ".so");
  } catch (const std::exception &e) {
    Fail("fuzz_plugins: %s", e.what());
  }
  const char *trace = std::getenv("SE_FUZZ_TRACE");
  g_trace = trace != nullptr && std::strcmp(trace, "1") == 0;
  // The generator's first open builds every table; done here, it is not
  // counted against the first input's time.
  const uint8_t warm_up[] = {kLinkedOscillator};
  Reader in(warm_up, sizeof warm_up);
  Run(in);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Reader in(data, size);
  Run(in);
  return 0;
}
