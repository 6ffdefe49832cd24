// What the host reads from the library before it plays anything.
#include "osc_patch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using osctest::OscPatch;

TEST(OscillatorDescription, ModuleTextsAndVersion) {
  sehost::Host host;
  auto &lib = host.Load(setest::PluginPath("audio_oscillator"));
  const auto &d = lib.Description();
  EXPECT_EQ(d.name, "QX_Standard_Osc");
  EXPECT_EQ(d.id, "Audio_Standard_Osc_QX2006");
  EXPECT_EQ(d.sdk_version, 2240);
  const char *lines[] = {
      "Standard Audio Oscillator",
      "Ver:3.00",
      "",
      "Waveform: Selects waveform shape",
      "Harmonics: Set the number of active harmonics - can be used as a simple filter by "
      "removing high harmonics",
      "Freq Limit: Defines the Frequency (Hz) above which the Wavetable harmonics are removed",
      "   *Note Root Harmonic always sounds",
      "Limit Freq System: OFF/A/B:",
      "   OFF: Frequencies can go beyond Nyquist causing foldback frequencies/wierd FX etc",
      "Pitch Mod Accuracy: High: Realtime Modulation  Low: Block Accurate",
      "Sync Accuracy: High: (Recommended)",
      "HOLD: When ON the output of the oscillator freezes - can be useful for LFO use etc",
      "Active: Off,On ( When not used, set to Off to save CPU )"};
  std::string about;
  for (const char *line : lines) {
    if (line != lines[0])
      about.push_back('\n');
    about.append(line);
  }
  EXPECT_EQ(d.about, about);

  // Index 1 holds nothing and leaves the record alone; type 2 is a GUI instance.
  SEModuleProperties props{};
  props.sdk_version = 7;
  EXPECT_EQ(lib.GetModuleProperties()(1, &props), 0);
  EXPECT_EQ(props.sdk_version, 7);
  void *gui = lib.MakeModule()(0, MT_GUI, nullptr, 0);
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(static_cast<SEGuiRecord *>(gui)->magic, SE_GUI_MAGIC);
  static_cast<SEGuiRecord *>(gui)->dispatcher(gui, GOP_CLOSE, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(lib.MakeModule()(0, 3, nullptr, 0), nullptr);
}

TEST(OscillatorDescription, PinList) {
  sehost::Host host;
  auto &lib = host.Load(setest::PluginPath("audio_oscillator"));
  const auto &pins = lib.Pins();
  ASSERT_EQ(pins.size(), 18u);
  struct Row {
    const char *name;
    int direction, datatype;
    const char *def;
  };
  const Row rows[18] = {{"Pitch", 0, 5, "5.000"},
                        {"Pitch Adjust (offset)", 0, 5, "0.0"},
                        {"Pitch Ref (System B)", 0, 5, "5.000"},
                        {"Phase/Pulse Width", 0, 5, "0.000"},
                        {"Sync", 0, 5, "0.0"},
                        {"Sync Accuracy", 0, 0, "1"},
                        {"Wave.Out", 1, 5, nullptr},
                        {"Waveform", 0, 0, "0"},
                        {"Wave Quality", 0, 0, "1"},
                        {"Harmonics", 0, 0, "255"},
                        {"Freq Limit (Hz)", 0, 5, "22000"},
                        {"Limit Freq System", 0, 0, "1"},
                        {"Pitch Mode", 0, 0, "0"},
                        {"PitchMod Accuracy", 0, 0, "1"},
                        {"HOLD: On/Off", 0, 0, "0"},
                        {"Active", 0, 0, "0"},
                        {"", 3, 5, ""},
                        {"QX_Osc_Link", 0, 8, nullptr}};
  for (int i = 0; i < 18; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pins[i].name, rows[i].name);
    EXPECT_EQ(pins[i].direction, rows[i].direction);
    EXPECT_EQ(pins[i].datatype, rows[i].datatype);
    EXPECT_EQ(pins[i].has_default, rows[i].def != nullptr);
    if (rows[i].def != nullptr) {
      EXPECT_EQ(pins[i].default_text, rows[i].def);
    }
    EXPECT_EQ(pins[i].flags, 0u);
  }
  EXPECT_EQ(pins[7].datatype_text,
            "Sine,Saw,Ramp,Soft Ramp,Peak Ramp,Square,Triangle,Peak,Octava,Cluster1,Cluster2,"
            "Pulse:Saw,Pulse:Ramp,Pulse:Soft Ramp,Pulse:Peak Ramp,Pulse:Square,Pulse:Triangle,"
            "Pulse:Peak,Pulse:Octava,Pulse:Cluster1,Pulse:Cluster2,Noise=255");
  EXPECT_EQ(pins[7].Choices().back().value, 255);
  std::string harmonics;
  for (int k = 1; k <= 256; ++k) {
    if (k > 1)
      harmonics.push_back(',');
    harmonics.append(std::to_string(k));
  }
  EXPECT_EQ(pins[9].datatype_text, harmonics);
  EXPECT_EQ(pins[10].datatype_text, "22050,100,22050,100");
  EXPECT_EQ(pins[11].datatype_text, "OFF,A,B");
  EXPECT_EQ(pins[12].datatype_text, "Oct,Khz,Hz");
  EXPECT_EQ(pins[8].datatype_text, "High=1");

  // Past the list: false, and the zeroed record is untouched.
  OscPatch p;
  SEPinProperties props;
  std::memset(&props, 0, sizeof props);
  EXPECT_EQ(p.host.Dispatch(p.osc[0], DOP_PIN_PROPERTIES, 18, 0, &props, 0.0f), 0);
  EXPECT_EQ(props.name, nullptr);
  EXPECT_EQ(props.variable, nullptr);
}

} // namespace
