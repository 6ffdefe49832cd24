// `se-host plot FILE -o PICTURE.png`: waveform, detail, spectrum and
// spectrogram of a rendered file.
// `se-host plot --response ladder_filter -o PICTURE.png`: the magnitude
// response of a module setting, measured from its impulse response.
#include "audio_file.h"
#include "commands.h"
#include "gnuplot.h"
#include "host.h"
#include "module_pins.h"
#include "pin_value.h"
#include "plugin_locator.h"
#include "range_warning.h"
#include "spectrum.h"
#include "stop_request.h"
#include "write_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace sehost::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char *kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                    "#9467bd", "#8c564b", "#e377c2", "#17becf"};

struct PlotOptions {
  std::string audio;
  std::string output;
  std::string title;
  double at = -1.0;       // detail position in seconds; < 0: the middle
  double detailMs = 25.0; // detail length
  int channel = 0;        // spectrogram channel from 1; 0: all channels mixed
  std::string size;       // "WIDTHxHEIGHT" in pixels; empty: each picture's own default
  // Response mode.
  std::string response;
  std::vector<std::string> settings;
  std::string compare;
  std::string inputPin;
  std::string outputPin;
  double level = 1.0;
  double rate = 44100.0;
  std::string data; // response values as CSV
  // Responses measured elsewhere: FILE=LABEL, each file the output for an
  // impulse at sample kLead.
  std::vector<std::string> impulses;
};

// The picture size: `size` ("900x640") or the default.
std::pair<int, int> PictureSize(const std::string &size, int width, int height) {
  if (size.empty())
    return {width, height};
  int w = 0, h = 0;
  char end = 0;
  if (std::sscanf(size.c_str(), "%dx%d%c", &w, &h, &end) != 2 || w < 200 || w > 4000 || h < 150 ||
      h > 4000)
    throw UsageError("--size is WIDTHxHEIGHT in pixels, from 200x150 to 4000x4000, not \"" + size +
                     "\"");
  return {w, h};
}

// The lead before the impulse of a measurement: the filter settles its
// coefficients before the impulse arrives.
constexpr int64_t kLead = 512;

const char *Colour(size_t i) { return kColours[i % (sizeof kColours / sizeof kColours[0])]; }

std::ofstream OpenData(const std::string &path) {
  std::ofstream out(path);
  if (!out)
    throw HostError("cannot write plot data " + path);
  return out;
}

// ---- A rendered file ----

void PlotAudio(const PlotOptions &opt) {
  GnuplotJob job(opt.output);
  const auto [width, height] = PictureSize(opt.size, 1400, 1000);
  // A plot reads the whole file (up to the reader's limit: an hour of stereo
  // at 48 kHz is well inside it).
  const AudioData audio = ReadAudioFile(opt.audio);
  const int64_t frames = audio.Frames();
  if (frames < 2)
    throw HostError(opt.audio + ": too few samples to plot");
  const double rate = audio.sampleRate;
  const double seconds = static_cast<double>(frames) / rate;
  const int channels = audio.channels;

  // Waveform: the lowest and highest sample of each of ~1500 columns.
  const int64_t columns = std::min<int64_t>(1500, frames);
  {
    std::ofstream out = OpenData(job.DataPath("wave.dat"));
    for (int c = 0; c < channels; ++c) {
      for (int64_t col = 0; col < columns; ++col) {
        const int64_t a = col * frames / columns, b = std::max(a + 1, (col + 1) * frames / columns);
        float lo = audio.samples[a * channels + c], hi = lo;
        for (int64_t i = a; i < b; ++i) {
          lo = std::min(lo, audio.samples[i * channels + c]);
          hi = std::max(hi, audio.samples[i * channels + c]);
        }
        out << static_cast<double>(a) / rate << " " << lo << " " << hi << "\n";
      }
      out << "\n\n";
    }
  }
  // Detail: every sample of a short stretch.
  const double detail = std::min(seconds, opt.detailMs / 1000.0);
  double at = opt.at < 0.0 ? seconds / 2.0 : opt.at;
  at = std::clamp(at, 0.0, std::max(0.0, seconds - detail));
  {
    std::ofstream out = OpenData(job.DataPath("detail.dat"));
    const auto a = static_cast<int64_t>(at * rate);
    const int64_t b = std::min(frames, a + static_cast<int64_t>(detail * rate) + 1);
    for (int c = 0; c < channels; ++c) {
      for (int64_t i = a; i < b; ++i)
        out << 1000.0 * static_cast<double>(i) / rate << " " << audio.samples[i * channels + c]
            << "\n";
      out << "\n\n";
    }
  }
  // Spectrum of each channel, and the spectrogram of their mix.
  const size_t frame = std::min<size_t>(8192, FloorPowerOfTwo(static_cast<size_t>(frames)));
  {
    std::ofstream out = OpenData(job.DataPath("spectrum.dat"));
    for (int c = 0; c < channels; ++c) {
      const auto db = AverageSpectrumDb(audio.Channel(c), frame);
      for (size_t k = 1; k < db.size(); ++k)
        out << static_cast<double>(k) * rate / static_cast<double>(frame) << " " << db[k] << "\n";
      out << "\n\n";
    }
  }
  if (opt.channel < 0 || opt.channel > channels)
    throw UsageError(opt.audio + ": --channel must be from 1 to " + std::to_string(channels) +
                     " (0 mixes them)");
  std::vector<float> mix(static_cast<size_t>(frames), 0.0f);
  if (opt.channel > 0) {
    mix = audio.Channel(opt.channel - 1);
  } else {
    for (int64_t i = 0; i < frames; ++i) {
      for (int c = 0; c < channels; ++c)
        mix[i] += audio.samples[i * channels + c];
      mix[i] /= static_cast<float>(channels);
    }
  }
  const size_t sg_frame = std::min<size_t>(1024, FloorPowerOfTwo(static_cast<size_t>(frames)));
  const size_t hop = std::max<size_t>(sg_frame / 4, static_cast<size_t>(frames) / 400);
  {
    std::ofstream out = OpenData(job.DataPath("spectrogram.dat"));
    const auto grid = SpectrogramDb(mix, sg_frame, hop);
    for (size_t col = 0; col < grid.size(); ++col) {
      const double t = (static_cast<double>(col * hop) + sg_frame / 2.0) / rate;
      for (size_t k = 0; k < grid[col].size(); ++k)
        out << t << " " << static_cast<double>(k) * rate / static_cast<double>(sg_frame) << " "
            << grid[col][k] << "\n";
      out << "\n";
    }
  }

  const std::string title = opt.title.empty() ? fs::path(opt.audio).filename().string() : opt.title;
  std::ostringstream gp;
  char head[256];
  std::snprintf(head, sizeof head, "%s  (%d channel%s, %.2f s, %.0f Hz)", title.c_str(), channels,
                channels == 1 ? "" : "s", seconds, rate);
  gp << "set multiplot layout 2,2 title " << GpQuote(head) << " font 'Sans,13'\n"
     << "set grid lc rgb '#dddddd'\nset key top right opaque\n"
     << "set style fill transparent solid 0.7 noborder\n";
  // 1: the waveform.
  gp << "set title 'Waveform'\nset xlabel 'time (s)'\nset ylabel 'level (1.0 = 10 V)'\n"
     << "set xrange [0:" << seconds << "]\nset yrange [*:*]\n"
     << "plot ";
  // Channel 1 is drawn last, on top of the others.
  for (int c = channels - 1; c >= 0; --c)
    gp << (c != channels - 1 ? ", " : "") << GpQuote(job.DataPath("wave.dat")) << " index " << c
       << " using 1:2:3 with filledcurves lc rgb '" << Colour(c) << "' title 'channel " << c + 1
       << "'";
  gp << "\n";
  // 2: the detail.
  char detail_title[128];
  std::snprintf(detail_title, sizeof detail_title, "Detail at %.3f s", at);
  gp << "set title " << GpQuote(detail_title) << "\nset xlabel 'time (ms)'\n"
     << "set xrange [*:*]\nplot ";
  for (int c = channels - 1; c >= 0; --c)
    gp << (c != channels - 1 ? ", " : "") << GpQuote(job.DataPath("detail.dat")) << " index " << c
       << " using 1:2 with lines lw 1.5 lc rgb '" << Colour(c) << "' title 'channel " << c + 1
       << "'";
  gp << "\n";
  // 3: the spectrum.
  gp << "set title 'Spectrum'\nset xlabel 'frequency (Hz)'\nset ylabel 'dB (0 dB = full-scale "
        "sine)'\n"
     << "set logscale x\nset xrange [20:" << rate / 2.0 << "]\nset yrange [-120:10]\nplot ";
  for (int c = 0; c < channels; ++c)
    gp << (c ? ", " : "") << GpQuote(job.DataPath("spectrum.dat")) << " index " << c
       << " using 1:2 with lines lw 1.2 lc rgb '" << Colour(c) << "' title 'channel " << c + 1
       << "'";
  gp << "\nunset logscale x\n";
  // 4: the spectrogram.
  const std::string which = opt.channel > 0 && channels > 1
                                ? " (channel " + std::to_string(opt.channel) + ")"
                            : channels > 1 ? " (channels mixed)"
                                           : "";
  gp << "set title 'Spectrogram" << which << "'\n"
     << "set xlabel 'time (s)'\nset ylabel 'frequency (Hz)'\nunset grid\n"
     << "set xrange [0:" << seconds << "]\nset yrange [0:" << rate / 2.0 << "]\n"
     << "set cbrange [-110:0]\nset cblabel 'dB'\n"
     << "set palette defined (0 '#000004', 1 '#3b0f70', 2 '#8c2981', 3 '#de4968', 4 '#fe9f6d', "
        "5 '#fcfdbf')\n"
     << "plot " << GpQuote(job.DataPath("spectrogram.dat")) << " using 1:2:3 with image notitle\n"
     << "unset multiplot\n";
  job.Run(gp.str(), width, height);
}

// ---- A module's magnitude response ----

struct Setting {
  std::string pin;
  std::string value;
};

Setting SplitSetting(const std::string &text) {
  const auto eq = text.find('=');
  if (eq == std::string::npos || eq == 0)
    throw UsageError("a setting is written PIN=VALUE, like \"Resonance=7\", not \"" + text + "\"");
  return {text.substr(0, eq), text.substr(eq + 1)};
}

const PinInfo &FindPin(const std::vector<PinInfo> &pins, const se::ModuleMeta *meta,
                       const std::string &name, const std::string &plugin) {
  if (const PinInfo *p = sehost::FindPin(pins, meta, name))
    return *p;
  std::string names;
  for (const PinInfo &p : pins)
    if (!p.name.empty())
      names += (names.empty() ? "\"" : ", \"") + p.name + "\"";
  throw UsageError(plugin + " has no pin named \"" + name + "\" (its pins: " + names + ")");
}

const PinInfo &FirstAudio(const std::vector<PinInfo> &pins, const se::ModuleMeta *meta,
                          const std::string &name, bool input, const std::string &plugin) {
  if (!name.empty())
    return FindPin(pins, meta, name, plugin);
  for (const PinInfo &p : pins)
    if (p.IsAudio() && (input ? p.IsInput() : p.IsOutput()) && !p.name.empty())
      return p;
  throw HostError(plugin + " has no audio " + (input ? "input" : "output"));
}

// Magnitudes in dB at bins 0 … n/2 of the n-point FFT of y[kLead …] for an
// impulse of `amplitude` (samples).
std::vector<double> ResponseDb(const std::vector<float> &y, double amplitude, size_t n) {
  std::vector<std::complex<double>> spectrum(n);
  for (size_t i = 0; i < n && kLead + i < y.size(); ++i)
    spectrum[i] = {y[kLead + i] / amplitude, 0.0};
  Fft(spectrum);
  std::vector<double> db(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k)
    db[k] = std::max(-200.0, 20.0 * std::log10(std::abs(spectrum[k]) + 1e-12));
  return db;
}

// The response of one setting, in dB at bins 0 … n/2 of an n-point FFT.
std::vector<double> MeasureResponse(const std::string &plugin_path, const PlotOptions &opt,
                                    const std::vector<Setting> &settings, size_t n) {
  // Each setting is warned about once, however many curves carry it.
  static std::set<std::string> warned;
  Host host(static_cast<float>(opt.rate), 256);
  PluginLibrary &lib = host.Load(plugin_path);
  const int id = host.Add(lib, opt.response);
  const std::vector<PinInfo> pins = host.Pins(id);
  const se::ModuleMeta *meta = ModuleMetaOf(lib.Description().id);
  const PinInfo &in = FirstAudio(pins, meta, opt.inputPin, true, opt.response);
  const PinInfo &out = FirstAudio(pins, meta, opt.outputPin, false, opt.response);
  if (!in.IsInput() || !in.IsAudio())
    throw UsageError("\"" + in.name + "\" is not an audio input of " + opt.response);
  if (!out.IsOutput() || !out.IsAudio())
    throw UsageError("\"" + out.name + "\" is not an audio output of " + opt.response);
  // Frequencies and notes follow a "Pitch Mode" set among the settings, as in a patch.
  nlohmann::json given = nlohmann::json::object();
  for (const Setting &s : settings)
    given[s.pin] = s.value;
  const PitchScale scale = PitchScaleOf(pins, given, meta);
  for (const Setting &s : settings) {
    const PinInfo &pin = FindPin(pins, meta, s.pin, opt.response);
    if (pin.dsp_index == in.dsp_index)
      throw UsageError("\"" + s.pin + "\" carries the impulse; it cannot be set");
    double value = 0.0;
    try {
      value = PinValueFromText(pin, s.value, scale, PinMetaOf(meta, pin));
    } catch (const HostError &e) {
      throw UsageError("--set " + s.pin + "=" + s.value + ": " + e.what());
    }
    if (const std::string warning =
            RangeWarning(pin, PinMetaOf(meta, pin), value * 10.0, s.value, scale);
        !warning.empty() && warned.insert(s.pin + "=" + s.value).second)
      ShowWarnings({"--set " + s.pin + "=" + s.value + ": " + warning});
    host.SetValue(id, pin.dsp_index, value);
  }
  const double amplitude = opt.level / 10.0;
  std::vector<float> impulse(static_cast<size_t>(kLead) + n, 0.0f);
  impulse[kLead] = static_cast<float>(amplitude);
  host.Feed(id, in.dsp_index, std::make_unique<ArraySource>(std::move(impulse)));
  host.Open();
  return ResponseDb(host.Render(id, out.dsp_index, kLead + static_cast<int64_t>(n)), amplitude, n);
}

void DrawResponses(const PlotOptions &opt, GnuplotJob &job, double rate,
                   const std::vector<std::vector<double>> &responses,
                   const std::vector<std::string> &labels, const std::string &title, size_t n);

void CheckLevel(double level) {
  if (!(level > 0.0 && level <= 100.0) || !std::isfinite(level))
    throw UsageError("--level: the impulse level must be above 0 and at most 100 V");
}

// Responses measured in files (another host's output for the same impulse).
void PlotImpulseFiles(const PlotOptions &opt) {
  GnuplotJob job(opt.output);
  CheckLevel(opt.level);
  const size_t n = 16384;
  std::vector<std::vector<double>> responses;
  std::vector<std::string> labels;
  double rate = 0.0;
  for (const std::string &item : opt.impulses) {
    const auto eq = item.find('=');
    const std::string path = item.substr(0, eq);
    const AudioData audio = ReadAudioFile(path);
    if (audio.Frames() <= kLead)
      throw HostError(path + ": an impulse response needs more than " + std::to_string(kLead) +
                      " frames (the impulse is at frame " + std::to_string(kLead) + ")");
    if (rate != 0.0 && audio.sampleRate != rate)
      throw HostError(path + ": the files have different sample rates");
    rate = audio.sampleRate;
    responses.push_back(ResponseDb(audio.Channel(0), opt.level / 10.0, n));
    labels.push_back(eq == std::string::npos ? path : item.substr(eq + 1));
  }
  DrawResponses(opt, job, rate, responses, labels,
                opt.title.empty() ? "measured magnitude response" : opt.title, n);
}

void PlotResponse(const PlotOptions &opt, const GlobalOptions &globals) {
  GnuplotJob job(opt.output);
  if (!(opt.rate >= 1000.0 && opt.rate <= 768000.0))
    throw UsageError("--sample-rate: the sample rate must be from 1000 to 768000 Hz");
  CheckLevel(opt.level);
  const std::string path = ResolvePlugin(opt.response, DefaultPluginDir(globals.pluginDir));
  std::vector<Setting> base;
  for (const std::string &s : opt.settings)
    base.push_back(SplitSetting(s));

  // One curve per value of the compared pin, or one curve.
  std::vector<std::vector<Setting>> curves;
  std::vector<std::string> labels;
  if (opt.compare.empty()) {
    curves.push_back(base);
    labels.push_back("response");
  } else {
    const Setting cmp = SplitSetting(opt.compare);
    std::stringstream values(cmp.value);
    std::string v;
    while (std::getline(values, v, ',')) {
      auto s = base;
      s.push_back({cmp.pin, v});
      curves.push_back(s);
      labels.push_back(cmp.pin + " = " + v);
    }
    if (curves.empty())
      throw UsageError("--compare needs values: PIN=A,B,C");
  }
  const size_t n = 16384;
  std::vector<std::vector<double>> responses;
  for (const auto &settings : curves)
    responses.push_back(MeasureResponse(path, opt, settings, n));
  std::string title = opt.title;
  if (title.empty()) {
    title = opt.response + " magnitude response";
    for (const Setting &s : base)
      title += ", " + s.pin + " = " + s.value;
  }
  DrawResponses(opt, job, opt.rate, responses, labels, title, n);
}

void DrawResponses(const PlotOptions &opt, GnuplotJob &job, double rate,
                   const std::vector<std::vector<double>> &responses,
                   const std::vector<std::string> &labels, const std::string &title, size_t n) {
  const auto [width, height] = PictureSize(opt.size, 1200, 700);
  double top = 0.0;
  const auto hz = [&](size_t k) { return static_cast<double>(k) * rate / static_cast<double>(n); };
  {
    std::ofstream out = OpenData(job.DataPath("response.dat"));
    for (const auto &db : responses) {
      for (size_t k = 1; k < db.size(); ++k) {
        out << hz(k) << " " << db[k] << "\n";
        top = std::max(top, db[k]);
      }
      out << "\n\n";
    }
  }
  if (!opt.data.empty()) {
    // One row per frequency, one column per curve.
    std::ofstream csv(opt.data);
    if (!csv)
      throw HostError(opt.data + ": cannot write the response values");
    csv << "frequency_hz";
    for (const std::string &label : labels)
      csv << ",\"" << label << " (dB)\"";
    csv << "\n";
    for (size_t k = 1; k <= n / 2; ++k) {
      csv << hz(k);
      for (const auto &db : responses)
        csv << "," << db[k];
      csv << "\n";
    }
    if (!csv)
      throw HostError(opt.data + ": writing the response values failed");
  }
  std::ostringstream gp;
  gp << "set title " << GpQuote(title) << " font 'Sans,13'\n"
     << "set grid lc rgb '#dddddd'\nset key bottom left opaque\n"
     << "set logscale x\nset xrange [10:" << rate / 2.0 << "]\n"
     << "set yrange [-80:" << std::ceil(std::max(10.0, top + 5.0) / 10.0) * 10.0 << "]\n"
     << "set xlabel 'frequency (Hz)'\nset ylabel 'gain (dB)'\nplot ";
  for (size_t i = 0; i < responses.size(); ++i)
    gp << (i ? ", " : "") << GpQuote(job.DataPath("response.dat")) << " index " << i
       << " using 1:2 with lines lw " << std::max(1.0, 3.0 - 0.5 * static_cast<double>(i))
       << " lc rgb '" << Colour(i) << "' title " << GpQuote(labels[i]);
  // Later curves are drawn thinner, so a curve that another one covers still shows.
  gp << "\n";
  job.Run(gp.str(), width, height);
}

} // namespace

void AddPlot(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<PlotOptions>();
  CLI::App *cmd = app.add_subcommand(
      "plot", "Draw a rendered file (waveform, spectrum, spectrogram) or a filter's response");
  cmd->add_option("audio", opt->audio, "Audio file to draw")->type_name("AUDIO");
  cmd->add_option("-o,--output", opt->output, "PNG picture to write")->required();
  cmd->add_option("--title", opt->title, "Title of the picture");
  cmd->add_option("--at", opt->at, "Start of the detail view in seconds (default: the middle)");
  cmd->add_option("--detail-ms", opt->detailMs, "Length of the detail view in milliseconds")
      ->check(CLI::Range(0.1, 10000.0));
  cmd->add_option("--channel", opt->channel,
                  "Channel of the spectrogram, from 1 (default: all channels mixed)");
  cmd->add_option("--size", opt->size,
                  "Picture size in pixels, WIDTHxHEIGHT (default: 1400x1000, a response "
                  "1200x700)");
  auto *response =
      cmd->add_option(
             "--response", opt->response,
             "Draw the magnitude response of this plugin (\"ladder_filter\") instead of a file")
          ->type_name("PLUGIN");
  cmd->add_option("--set", opt->settings, "A pin setting for the response: PIN=VALUE (repeatable)")
      ->type_name("PIN=VALUE")
      ->needs(response);
  cmd->add_option("--compare", opt->compare, "One curve per value: PIN=A,B,C")
      ->type_name("PIN=A,B,C")
      ->needs(response);
  cmd->add_option("--input", opt->inputPin, "Input that takes the impulse (default: the first)")
      ->type_name("PIN")
      ->needs(response);
  cmd->add_option("--output-pin", opt->outputPin, "Output to measure (default: the first)")
      ->type_name("PIN")
      ->needs(response);
  cmd->add_option("--impulse", opt->impulses,
                  "Draw the response measured in a file: FILE=LABEL, the output for an impulse "
                  "of --level volts at frame 512 (repeatable)");
  cmd->add_option("--level", opt->level, "Impulse height in volts")->capture_default_str();
  cmd->add_option("--data", opt->data, "Also write the measured response as CSV");
  cmd->add_option("--sample-rate", opt->rate, "Sample rate of the measurement")
      ->needs(response)
      ->capture_default_str();
  cmd->callback([opt, globals] {
    // An interrupt stops gnuplot (same process group); se-host lives on to
    // remove the unfinished picture and its temporary folder.
    InstallStopHandlers();
    const int modes = !opt->response.empty() + !opt->audio.empty() + !opt->impulses.empty();
    if (modes != 1)
      throw UsageError("plot takes an audio file, --response PLUGIN or --impulse FILE=LABEL (one "
                       "of them)");
    if (!opt->impulses.empty())
      PlotImpulseFiles(*opt);
    else if (opt->response.empty())
      PlotAudio(*opt);
    else
      PlotResponse(*opt, *globals);
  });
}

} // namespace sehost::cli
