#include "oscillator_module.h"

#include "audio_oscillator/pins.h"
#include "pitch_tables.h"
#include "voice_routines.h"

#include <algorithm>
#include <iterator>

namespace osc {

bool Module::DescribePin(int32_t index, SEPinProperties *properties) {
  OscillatorChoices &c = m_voice.choices;
  void *const variables[] = {
      &m_io.pitch,     &m_io.pitchAdjust, &m_io.pitchRef, &m_io.phasePw,       &m_io.sync,
      &c.syncAccuracy, &m_io.out,         &c.waveform,    &c.waveQuality,      &c.harmonics,
      &m_io.freqLimit, &c.limitSystem,    &c.pitchMode,   &c.pitchModAccuracy, &c.hold,
      &c.active,       &m_io.stepScratch, &c.link};
  return se::DescribePinFrom(kPins, variables, index, properties);
}

void Module::OpenInstance() {
  m_outPin = PinAt(kWaveOut);
  const bool connected = PinAt(kLink)->HasConnection();
  if (m_voice.Open(SampleRate(), BlockSize(), connected))
    return;
  // Past the shared registry's bound: a set of this instance's own.
  if (!m_ownPitchTables)
    m_ownPitchTables = std::make_unique<RateTables>();
  BuildPitchTables(*m_ownPitchTables, SampleRate());
  m_voice.Open(m_ownPitchTables.get(), BlockSize(), connected);
}

namespace {

// The routine the host calls for each of the voice's routines.
constexpr SEProcessEntry kRoutines[] = {
    nullptr,
    se::Process<&Module::processLow>,
    se::Process<&Module::processHigh>,
    se::Process<&Module::processSyncLow>,
    se::Process<&Module::processSyncHighOct>,
    se::Process<&Module::processSyncHighLinear>,
    se::Process<&Module::processHold>,
    se::Process<&Module::processSilence>,
};
static_assert(std::size(kRoutines) == static_cast<size_t>(OscillatorRoutine::kSilence) + 1,
              "one entry per routine");

} // namespace

void Module::PinChanged(SEPin *pin) {
  const bool streaming = pin->Status() == PS_RUNNING;
  // The samples the voice's reaction to this pin reads, and only those.
  PinSamples now{};
  if (m_voice.linkConnected) {
    switch (pin->Index()) {
    case kPitch:
    case kPitchAdjust:
    case kPitchMode:
      now.pitch = PinAt(kPitch)->CurrentSample();
      now.pitchAdjust = PinAt(kPitchAdjust)->CurrentSample();
      break;
    case kSync: now.sync = streaming ? 0.0f : pin->CurrentSample(); break;
    case kFreqLimit: now.freqLimit = pin->CurrentSample(); break;
    default: break;
    }
  }
  const PinReaction reaction = m_voice.PinChanged(pin->Index(), streaming, now);
  if (reaction.outputRunning)
    m_outPin->PostStatus(SampleClock(), PS_RUNNING);
  if (m_voice.installed != OscillatorRoutine::kNone)
    InstallProcessRoutine(kRoutines[static_cast<size_t>(m_voice.installed)]);
  if (reaction.outputFrozen) {
    m_settled.Restart();
    m_outPin->PostStatus(SampleClock(), PS_ONCE);
  }
}

void Module::processLow(int32_t first, int32_t count) { RunLow(m_voice, m_io, first, count); }
void Module::processHigh(int32_t first, int32_t count) { RunHigh(m_voice, m_io, first, count); }
void Module::processSyncLow(int32_t first, int32_t count) {
  RunSyncLow(m_voice, m_io, first, count);
}
void Module::processSyncHighOct(int32_t first, int32_t count) {
  RunSyncHighOct(m_voice, m_io, first, count);
}
void Module::processSyncHighLinear(int32_t first, int32_t count) {
  RunSyncHighLinear(m_voice, m_io, first, count);
}

void Module::WriteSettled(int32_t first, int32_t count, float value) {
  std::fill_n(m_io.out + first, count, value);
  m_settled.Wrote(first, count);
  if (m_settled.Fills(LargestBlockSize()))
    HostRequest(HRQ_SLEEP);
}

void Module::processHold(int32_t first, int32_t count) {
  if (count > 0)
    WriteSettled(first, count, m_voice.HeldValue(m_io.out, first, BlockSize()));
}

void Module::processSilence(int32_t first, int32_t count) {
  if (count > 0)
    WriteSettled(first, count, 0.0f);
}

} // namespace osc
