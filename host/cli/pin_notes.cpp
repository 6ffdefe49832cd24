#include "pin_notes.h"

namespace sehost::cli {
namespace {

constexpr const char *kFilter = "DO DI Zuderu 3";
constexpr const char *kOsc = "Audio_Standard_Osc_QX2006";
constexpr const char *kGenerator = "OscWaveTable_Standard_QX2010";

constexpr PinNote kNotes[] = {
    // The ladder filter.
    {kFilter, "Signal", nullptr,
     "the audio to filter; it must stream (a fixed value or nothing gives a silent output)"},
    {kFilter, "Pitch", nullptr,
     "the cutoff; each Filter Tap/Q Tap combination shifts it by up to 1 V either way; "
     "held between 55 Hz and about 15-21 kHz"},
    {kFilter, "Resonance", "0 to 10 V",
     "feedback around the ladder: a peak at the cutoff that grows into ringing"},
    {kFilter, "(Zing)", nullptr,
     "how much the cutoff scales the resonance feedback (expert); taken when Pitch or "
     "Resonance next changes"},
    {kFilter, "Type", nullptr,
     "LP: the ladder's output, a low-pass. HP: the tap gain times (input - ladder output), "
     "which is NOT a high-pass but a high-cut shelf: lows near full level (inverted), highs "
     "6 to 24 dB down (Filter Tap 2 to 5); with resonance the lows fall about 15 dB and a peak "
     "stands just below the cutoff. No effect on X"},
    {kFilter, "Filter Tap", nullptr,
     "the stage the output is taken from: 2 to 5 stages (steeper with more), or X = twice a "
     "middle stage minus the last, inverted (a low-pass whose slope eases off well above the "
     "cutoff; the stage chosen by Q Tap)"},
    {kFilter, "Q Tap", nullptr,
     "the stage whose output feeds the resonance back; with Filter Tap X it picks the X "
     "stage instead (2 -> 3, 3 -> 4, 4 -> 2; 5 makes X the same as tap 5)"},
    {kFilter, "Emulate", nullptr,
     "Analog: every stage saturates softly and the stage coefficients differ slightly; "
     "Digital: clean stages, only the input stage saturates"},
    {kFilter, "(Version)", nullptr,
     "Clear or Furry: two builds of the same ladder that differ only in float rounding; "
     "they sound alike"},
    {kFilter, "Bass Boost", nullptr,
     "lifts the output as the cutoff goes low: below 3 V (Low), 5 V (Default) or 6 V (Extra) "
     "the gain grows with the distance; None: no lift"},
    {kFilter, "Output", nullptr, "the filtered audio"},
    // The oscillator.
    {kOsc, "Pitch", nullptr, "the pitch played (Pitch Adjust is added to it)"},
    {kOsc, "Pitch Adjust (offset)", nullptr,
     "an interval added to Pitch, in volts (1/12 V per semitone)"},
    {kOsc, "Pitch Ref (System B)", nullptr,
     "with Limit Freq System B, the pitch whose frequency sets the harmonic limit"},
    {kOsc, "Phase/Pulse Width", "10 V = one cycle",
     "plain waveforms: a phase shift; Pulse forms: the pulse width (5 V = half); Noise: the "
     "noise level"},
    {kOsc, "Sync", nullptr, "each rise through 0 V restarts the cycle (hard sync)"},
    {kOsc, "Sync Accuracy", nullptr,
     "Low: a restart starts the cycle at the sample; High: at the instant between samples "
     "where Sync crossed 0 V (cleaner)"},
    {kOsc, "Wave.Out", nullptr, "the waveform: a sine peaks at 5 V, other shapes up to about 9 V"},
    {kOsc, "Waveform", nullptr,
     "the shape: eleven table waveforms; \"Pulse:\" forms play the shape at phase + width "
     "minus the shape at phase; Noise plays white noise"},
    {kOsc, "Wave Quality", nullptr, "one choice (High); it changes nothing"},
    {kOsc, "Harmonics", nullptr,
     "the most harmonics that may sound, 1 to 256: fewer is a simple low-pass"},
    {kOsc, "Freq Limit (Hz)", nullptr,
     "with Limit Freq System A or B, harmonics above this frequency are left out (the "
     "fundamental always sounds)"},
    {kOsc, "Limit Freq System", nullptr,
     "OFF: only Harmonics limits (high notes fold back above half the sample rate); A: the "
     "limit follows the pitch played; B: it follows Pitch Ref (System B)"},
    {kOsc, "Pitch Mode", nullptr,
     "how the pitch pins are read: Oct 1 V/octave (0 V = 13.75 Hz); Khz 1 V = 1 kHz; Hz "
     "1 V = 1 Hz"},
    {kOsc, "PitchMod Accuracy", nullptr,
     "Low: a moving pitch is read once per block; High: once per sample"},
    {kOsc, "HOLD: On/Off", nullptr, "ON freezes the output at its last value"},
    {kOsc, "Active", nullptr, "OFF (the default) silences the oscillator: set ON to hear it"},
    {kOsc, "QX_Osc_Link", nullptr,
     "connect a wavetable generator's QX_Osc_Link here; without it the oscillator is silent"},
    // The wavetable generator.
    {kGenerator, "QX_Osc_Link", nullptr,
     "the wavetables; connect it to the QX_Osc_Link of every oscillator"},
};

} // namespace

const PinNote *FindPinNote(const std::string &module_id, const std::string &pin) {
  for (const PinNote &note : kNotes)
    if (module_id == note.moduleId && pin == note.pin)
      return &note;
  return nullptr;
}

} // namespace sehost::cli
