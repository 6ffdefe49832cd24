// Values as musicians write them: volts, frequencies and note names on pitch
// pins, frequencies on pins in Hz, and one clear message for every mistake.
#include "host_error.h"
#include "pin_value.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sehost {
namespace {

PinInfo AudioIn(const std::string &name) {
  PinInfo p;
  p.name = name;
  return p;
}

// Volts (the host's samples are volts / 10).
double V(const PinInfo &pin, const std::string &text, PitchScale s = PitchScale::kOctave) {
  return 10.0 * PinValueFromText(pin, text, s);
}

TEST(PinValue, PitchPinsTakeVoltsFrequenciesAndNotes) {
  const PinInfo pitch = AudioIn("Pitch");
  for (const char *a4 : {"5", "5V", " 5 V", "440Hz", "440 hz", "0.44kHz", "A4", "a4"})
    EXPECT_NEAR(V(pitch, a4), 5.0, 1e-12) << a4;
  EXPECT_NEAR(V(pitch, "13.75Hz"), 0.0, 1e-12);
  EXPECT_NEAR(V(pitch, "C4"), 4.25, 1e-12); // middle C, 261.63 Hz
  EXPECT_NEAR(13.75 * std::exp2(V(pitch, "C4")), 261.6256, 1e-3);
  EXPECT_NEAR(V(pitch, "Bb2"), 5.0 - 23.0 / 12.0, 1e-12);
  EXPECT_EQ(V(pitch, "A#4"), V(pitch, "Bb4"));
  EXPECT_EQ(V(pitch, "B#3"), V(pitch, "C4"));
  EXPECT_NEAR(V(pitch, "C-1"), 4.25 - 5.0, 1e-12);
  EXPECT_NEAR(V(AudioIn("Pitch Ref (System B)"), "880Hz"), 6.0, 1e-12);
  // Linear pitch modes: 1 V = 1 kHz, 1 V = 1 Hz.
  EXPECT_NEAR(V(pitch, "440Hz", PitchScale::kKilohertz), 0.44, 1e-12);
  EXPECT_NEAR(V(pitch, "A4", PitchScale::kHertz), 440.0, 1e-9);
  EXPECT_NEAR(V(pitch, "2.5", PitchScale::kHertz), 2.5, 1e-12);
  // A pin in Hz takes its value as it is.
  EXPECT_NEAR(V(AudioIn("Freq Limit (Hz)"), "18kHz"), 18000.0, 1e-9);
  EXPECT_NEAR(V(AudioIn("Freq Limit (Hz)"), "18000"), 18000.0, 1e-9);
  // A JSON number is volts, a JSON text goes the same way as a typed one.
  EXPECT_NEAR(10.0 * PinValueFromJson(pitch, nlohmann::json("C4")), 4.25, 1e-12);
  EXPECT_NEAR(VoltsFromJson(pitch, nlohmann::json(3)), 3.0, 0.0);
}

TEST(PinValue, BadValuesSayWhatIsWrong) {
  const PinInfo pitch = AudioIn("Pitch");
  PinInfo mode = AudioIn("Mode");
  mode.datatype = DT_CHOICE;
  mode.datatype_text = "Pass,Invert";
  const struct {
    PinInfo pin;
    const char *text;
    const char *message;
  } cases[] = {
      {pitch, "-3Hz", "pin \"Pitch\": a frequency is above 0 Hz and at most 1 MHz, not \"-3Hz\""},
      {pitch, "0Hz", "a frequency is above 0 Hz"},
      {pitch, "H4", "pin \"Pitch\" is a pitch pin; give volts (5, \"5V\"), a frequency"},
      {pitch, "440Hzz", "not \"440Hzz\""},
      {pitch, "", "not \"\""},
      {pitch, "C99", "the note \"C99\" is out of range (octaves -1 to 10, A4 = 440 Hz)"},
      {pitch, "C#4x", "\"C#4x\" is not a note name"},
      {pitch, "nanHz", "a frequency is above 0 Hz"},
      // Numbers JSON has no words for are named as they were typed.
      {pitch, "inf", "takes volts from -1e6 to 1e6, not inf"},
      {AudioIn("Resonance"), "-inf", "not -inf"},
      {AudioIn("Resonance"), "nan", "not nan"},
      {mode, "nan", "pin \"Mode\" has no choice with the value nan (choices: Pass, Invert)"},
      {mode, "2.5", "no choice with the value 2.5"},
      {AudioIn("Resonance"), "440Hz", "pin \"Resonance\" takes volts, not a frequency or note"},
      {AudioIn("Pitch Adjust (offset)"), "A4", "takes volts, not a frequency or note"},
      {AudioIn("Resonance"), "loud", "pin \"Resonance\" is an audio pin; give its value in volts"},
      {AudioIn("Freq Limit (Hz)"), "lots", "takes Hz; give a number (18000)"},
  };
  for (const auto &c : cases) {
    try {
      PinValueFromText(c.pin, c.text);
      ADD_FAILURE() << c.text << ": accepted";
    } catch (const HostError &e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

} // namespace
} // namespace sehost
