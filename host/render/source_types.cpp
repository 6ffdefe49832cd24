#include "source_types.h"

#include "audio_file.h"
#include "host_error.h"
#include "message_text.h"
#include "patch_json.h"
#include "pin_value.h"
#include "sources/breakpoint_source.h"
#include "sources/file_source.h"
#include "sources/lfo_source.h"

#include <algorithm>
#include <cmath>

namespace sehost {
namespace {

using nlohmann::json;

// The names of a table's rows for a message: "a, b or c".
template <class Rows> std::string NamesWithOr(const Rows &rows) {
  std::string names;
  for (size_t i = 0; i < std::size(rows); ++i)
    names += std::string(i == 0 ? "" : i + 1 == std::size(rows) ? " or " : ", ") + rows[i].name;
  return names;
}

// {"value": 5}: the input set to a value.
MadeSource ReadConstant(SourceEntry &entry) {
  const json &src = entry.Json();
  if (!src.contains("value"))
    entry.Fail(entry.Where(), "missing \"value\"");
  return {nullptr, entry.Volts(src["value"], entry.At("value"))};
}

// {"points": [[seconds, volts], ...]}: straight lines between the points.
MadeSource ReadRamp(SourceEntry &entry) {
  const double rate = entry.SampleRate();
  const json &points = entry.Array("points", true);
  if (points.empty())
    entry.Fail(entry.At("points"), "a ramp needs at least one point");
  std::vector<Breakpoint> list;
  for (size_t i = 0; i < points.size(); ++i) {
    const std::string at = JsonChild(entry.At("points"), i);
    const json &p = points[i];
    if (!p.is_array() || p.size() != 2 || !p[0].is_number() ||
        !(p[1].is_number() || p[1].is_string()))
      entry.Fail(at, "expected a point [seconds, volts], found " + JsonExcerpt(p));
    const double t = p[0].get<double>();
    const double v =
        p[1].is_string() ? entry.Volts(p[1], JsonChild(at, size_t{1})) : p[1].get<double>();
    if (!std::isfinite(t) || !std::isfinite(v) || t < 0.0 || t > kMaxVolts ||
        std::abs(v) > kMaxVolts)
      entry.Fail(at, "a point is [seconds from 0 to 1e6, volts from -1e6 to 1e6], not " +
                         JsonExcerpt(p));
    if (!list.empty() && t * rate < list.back().clock)
      entry.Fail(at, "ramp points must be in time order");
    list.push_back({t * rate, v / 10.0});
  }
  return {std::make_unique<BreakpointSource>(std::move(list))};
}

struct LfoShapeName {
  const char *name;
  LfoShape shape;
};
constexpr LfoShapeName kLfoShapes[] = {{"sine", LfoShape::kSine},
                                       {"triangle", LfoShape::kTriangle}};

// {"rate": Hz, "shape", "center", "depth", "phase"}: center + depth × shape.
MadeSource ReadLfo(SourceEntry &entry) {
  const double rate = entry.SampleRate();
  const json &src = entry.Json();
  LfoShape shape = kLfoShapes[0].shape;
  if (src.contains("shape")) {
    const std::string s = entry.String("shape");
    const auto *row = std::find_if(std::begin(kLfoShapes), std::end(kLfoShapes),
                                   [&](const LfoShapeName &r) { return s == r.name; });
    if (row == std::end(kLfoShapes))
      entry.Fail(entry.At("shape"),
                 "unknown LFO shape " + Quoted(s) + " (use " + NamesWithOr(kLfoShapes) + ")");
    shape = row->shape;
  }
  const double zero = 0.0, one = 1.0;
  const double hz = entry.Number("rate", nullptr);
  if (hz < 0.0 || hz > rate / 2.0)
    entry.Fail(entry.At("rate"), "the LFO rate must be from 0 Hz to half the sample rate");
  const double center =
      src.contains("center") ? entry.Volts(src["center"], entry.At("center")) : 0.0;
  const double depth = entry.Bounded("depth", &one);
  const double phase = entry.Number("phase", &zero);
  return {std::make_unique<LfoSource>(shape, hz / rate, center / 10.0, depth / 10.0, phase)};
}

// {"path", "channel", "gain", "loop", "resample"}: a channel of an audio file.
MadeSource ReadFile(SourceEntry &entry) {
  const double rate = entry.SampleRate();
  const json &src = entry.Json();
  const std::string path = entry.String("path");
  const std::string full = entry.FilePath(path);
  std::unique_ptr<AudioFileReader> reader;
  try {
    reader = std::make_unique<AudioFileReader>(full);
  } catch (const HostError &e) {
    // The reader names the whole path; a long one is shown as an excerpt.
    std::string what = e.what();
    if (what.rfind(full, 0) == 0)
      what = EscapedText(full, 4 * kQuotedLength) + what.substr(full.size());
    entry.Fail(entry.At("path"), what);
  }
  if (const std::string problem = FileRateProblem(*reader); !problem.empty())
    entry.Fail(entry.At("path"), problem);
  const double first = 1.0, unity = 1.0;
  const double channel = entry.Number("channel", &first);
  if (channel != std::floor(channel) || channel < 1.0 || channel > reader->Channels())
    entry.Fail(entry.At("channel"), "channel must be from 1 to " +
                                        std::to_string(reader->Channels()) + " for " +
                                        Quoted(path));
  FileSourceSettings settings;
  settings.channel = static_cast<int>(channel) - 1;
  settings.gain = entry.Bounded("gain", &unity);
  if (src.contains("loop")) {
    if (!src["loop"].is_boolean())
      entry.Fail(entry.At("loop"), "expected true or false");
    settings.loop = src["loop"].get<bool>();
  }
  if (src.contains("resample")) {
    const std::string quality = entry.String("resample");
    settings.recipe = ResampleRecipe(quality);
    if (settings.recipe < 0)
      entry.Fail(entry.At("resample"), "unknown resampling quality " + Quoted(quality) + " (use " +
                                           ResampleQualityNames() + ")");
  }
  if (reader->Frames() == 0)
    entry.Fail(entry.At("path"), Quoted(path) + " holds no samples");
  entry.AddInputFile(reader->Path());
  std::unique_ptr<Source> source;
  try {
    source = std::make_unique<FileSource>(std::move(reader), settings, rate);
  } catch (const HostError &e) {
    entry.Fail(entry.At("path"), e.what());
  }
  return {std::move(source)};
}

constexpr SourceType kSourceTypes[] = {
    {"constant", "value", ReadConstant},
    {"ramp", "points", ReadRamp},
    {"lfo", "shape rate center depth phase", ReadLfo},
    {"file", "path channel gain loop resample", ReadFile},
    {kInputSourceType, "gain", nullptr,
     "marks where se-host process plays its file in; to render, use a \"file\" source"},
};

} // namespace

std::span<const SourceType> SourceTypes() { return kSourceTypes; }

const SourceType *FindSourceType(const std::string &name) {
  for (const SourceType &type : kSourceTypes)
    if (name == type.name)
      return &type;
  return nullptr;
}

std::string SourceTypeNames() {
  std::vector<SourceType> rendered;
  for (const SourceType &type : kSourceTypes)
    if (type.make != nullptr)
      rendered.push_back(type);
  return NamesWithOr(rendered);
}

} // namespace sehost
