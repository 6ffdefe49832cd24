// What the page shows, written from the engine's own tables as one JSON text:
// every control (symbol, name, kind, range, default, unit, group, comment,
// choice items with the numbers a player reads) and every factory preset
// with the value it gives each control. The page builds its panel and its
// preset list from this text alone, so it can never disagree with the engine.
#include "json_text.h"

#include "synth/controls.h"
#include "synth/presets.h"

#include <emscripten/emscripten.h>

#include <string>

namespace {

const char *KindName(synth::Kind kind) {
  switch (kind) {
  case synth::Kind::kLinear: return "linear";
  case synth::Kind::kLogarithmic: return "logarithmic";
  case synth::Kind::kInteger: return "integer";
  case synth::Kind::kToggle: return "toggle";
  case synth::Kind::kChoice: return "choice";
  }
  return "linear";
}

// The unit as a player reads it after a number ("" for none).
const char *UnitText(synth::Unit unit) {
  switch (unit) {
  case synth::Unit::kNone: return "";
  case synth::Unit::kHz: return "Hz";
  case synth::Unit::kMs: return "ms";
  case synth::Unit::kPercent: return "%";
  case synth::Unit::kDb: return "dB";
  case synth::Unit::kCents: return "cents";
  case synth::Unit::kSemitones: return "semitones";
  case synth::Unit::kOctaves: return "octaves";
  case synth::Unit::kVolts: return "V";
  }
  return "";
}

void Control(web::JsonWriter &json, int32_t index) {
  const synth::ControlSpec &c = synth::kControls[index];
  json.BeginObject();
  json.Key("index").Number(index);
  json.Key("symbol").String(c.symbol);
  json.Key("name").String(c.name);
  json.Key("kind").String(KindName(c.kind));
  json.Key("min").Number(c.minimum);
  json.Key("max").Number(c.maximum);
  json.Key("default").Number(c.defaultValue);
  json.Key("unit").String(UnitText(c.unit));
  json.Key("group").String(c.group);
  json.Key("comment").String(c.comment);
  json.Key("choices").BeginArray();
  for (const se::ChoiceMeta &item : c.choices) {
    json.BeginObject();
    json.Key("text").String(item.text);
    json.Key("shown").Number(item.shown);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void Preset(web::JsonWriter &json, const synth::Preset &preset) {
  float values[synth::kControlCount];
  synth::PresetControls(preset, values);
  json.BeginObject();
  json.Key("symbol").String(preset.symbol);
  json.Key("name").String(preset.name);
  json.Key("category").String(preset.category);
  json.Key("values").BeginArray();
  for (float v : values)
    json.Number(v);
  json.EndArray();
  json.EndObject();
}

std::string PageData() {
  web::JsonWriter json;
  json.BeginObject();
  json.Key("controls").BeginArray();
  for (int32_t i = 0; i < synth::kControlCount; ++i)
    Control(json, i);
  json.EndArray();
  json.Key("presets").BeginArray();
  for (const synth::Preset &p : synth::FactoryPresets())
    Preset(json, p);
  json.EndArray();
  json.EndObject();
  return json.Text();
}

} // namespace

extern "C" {

// The page's data as NUL-terminated UTF-8 JSON, made at the first call and
// kept for the instance's life.
EMSCRIPTEN_KEEPALIVE const char *se_page_data() {
  static const std::string text = PageData();
  return text.c_str();
}

} // extern "C"
