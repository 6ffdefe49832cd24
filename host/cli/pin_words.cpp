#include "pin_words.h"

#include "pitch_units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sehost::cli {
namespace {

// Lists longer than this are summed up rather than spelt out.
constexpr size_t kLongList = 8;

bool IsNumberRun(const std::vector<ChoiceItem> &items) {
  if (items.size() < 2)
    return false;
  const int first = std::atoi(items[0].text.c_str());
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].text != std::to_string(first + static_cast<int>(i)))
      return false;
  return true;
}

std::string UnitSymbol(se::PinUnit unit) { return unit == se::PinUnit::kHertz ? " Hz" : " V"; }

} // namespace

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string HzWords(double hz) {
  char buf[32];
  if (std::abs(hz) >= 1000.0)
    std::snprintf(buf, sizeof buf, "%.3g kHz", hz / 1000.0);
  else
    std::snprintf(buf, sizeof buf, "%.3g Hz", hz);
  return buf;
}

std::string PitchWords(double volts) {
  const double hz = HzFromVolts(volts);
  return Number(std::round(hz * 100.0) / 100.0) + " Hz (" + NoteName(hz) + ")";
}

std::string RangeWords(const PinInfo &pin, const se::PinMeta *meta) {
  if (meta != nullptr) {
    if (meta->range.Empty())
      return "";
    std::string words =
        Number(meta->range.min) + " to " + Number(meta->range.max) + UnitSymbol(meta->unit);
    if (meta->unit == se::PinUnit::kPitch)
      words += " (" + HzWords(HzFromVolts(meta->range.min)) + " to " +
               HzWords(HzFromVolts(meta->range.max)) + ")";
    return words;
  }
  // The pin list's hint: "5,15,5,15" is from 5 to 15.
  std::vector<double> numbers;
  std::stringstream list(pin.datatype_text);
  std::string item;
  while (std::getline(list, item, ','))
    numbers.push_back(std::strtod(item.c_str(), nullptr));
  if (!pin.IsAudio() || numbers.size() < 2)
    return "";
  return Number(std::min(numbers[0], numbers[1])) + " to " +
         Number(std::max(numbers[0], numbers[1])) + (IsHertzPin(pin) ? " Hz" : " V");
}

std::string UnitNote(se::PinUnit unit) {
  switch (unit) {
  case se::PinUnit::kInterval: return "added to the pitch, 1 V an octave, 1/12 V a semitone";
  case se::PinUnit::kCycles: return "10 V = one cycle";
  default: return "";
  }
}

std::string ChoiceSummary(const std::vector<ChoiceItem> &items) {
  if (items.size() > kLongList && IsNumberRun(items))
    return items.front().text + " to " + items.back().text;
  if (items.size() > kLongList)
    return std::to_string(items.size()) + " items";
  std::string text;
  for (const ChoiceItem &item : items)
    text += (text.empty() ? "" : ", ") + item.text;
  return text;
}

std::vector<std::string> ShownNumbers(const se::PinMeta &meta) {
  std::vector<std::string> shown;
  for (const se::ChoiceMeta &item : meta.choices)
    if (std::string(item.text) != std::to_string(item.shown) && item.shown != item.value)
      shown.push_back(std::string(item.text) + " = " + std::to_string(item.shown));
  return shown;
}

} // namespace sehost::cli
