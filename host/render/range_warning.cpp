#include "range_warning.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace sehost {
namespace {

// Above this a bare number on a pitch pin is no voltage anyone means: the
// highest pitch a module plays is below 11 V.
constexpr double kFarAbovePitch = 20.0;

// A number written without a unit ("800", " 440 ").
bool IsBareNumber(const std::string &text) {
  const char *start = text.c_str();
  char *end = nullptr;
  std::strtod(start, &end);
  if (end == start)
    return false;
  while (*end == ' ' || *end == '\t')
    ++end;
  return *end == '\0';
}

std::string Number(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

} // namespace

std::string RangeWarning(const PinInfo &pin, const se::PinMeta *meta, double volts,
                         const std::string &text, PitchScale scale) {
  if (meta == nullptr || meta->range.Empty() || !pin.IsAudio() || !std::isfinite(volts))
    return {};
  const bool pitch = meta->unit == se::PinUnit::kPitch;
  const bool hertz = meta->unit == se::PinUnit::kHertz;
  if (pitch && scale != PitchScale::kOctave)
    return {};
  if (volts >= meta->range.min && volts <= meta->range.max)
    return {};
  const char *unit = hertz ? " Hz" : " V";
  std::string what = Number(volts) + unit + " is outside the range of \"" + pin.name + "\", " +
                     Number(meta->range.min) + " to " + Number(meta->range.max) + unit +
                     " (passed to the module as given)";
  if (pitch && volts > kFarAbovePitch && IsBareNumber(text))
    what += "; a bare number is volts: for a frequency write \"" + Number(volts) + "Hz\" (about " +
            NoteName(volts) + "), or a note such as \"A4\"";
  return what;
}

} // namespace sehost
