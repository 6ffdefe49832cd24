// What a pin means to the people who use it: the part of a module's
// description that the binary interface does not carry. Each module publishes
// a table of these in its public header, beside its pin list (a plugin file
// still exports only its two entry points, so nothing of it crosses the C
// interface); every front end (our host's tool, the plugin-format wrappers and
// their generators, the synth's controls, the manuals) reads the same table.
//
// Names. A pin is found by its own name first; its display name, its symbol
// and its aliases are the other names tools accept for it (letter case aside),
// and no two pins of a module share any of them.
//
// Ranges. `range` is the span of values a user is offered (a control's ends,
// the span outside which a tool warns), in the pin's unit as users write it
// (volts, Hz). It is not a limit: a value outside it still reaches the module,
// which contains any value itself. Where the module's own texts disagree (a
// range hint in its pin list and another in its about text), `rangeNote` says
// which one the tools follow and why.
//
// Choices. Each item carries its text and value from the module's own list
// and the number a user reads for it (`shown`): a "Filter Tap" of "X" reads 6,
// the "Harmonics" item 63 reads 64. Front ends map between the two through
// this table only.
#ifndef SE_PIN_META_H
#define SE_PIN_META_H

#include "se_choice_list.h"
#include "se_pins.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace se {

// How the value of a pin reads.
enum class PinUnit {
  kNone,     // a pin with no value of its own (the module's scratch)
  kAudio,    // an audio signal in volts (a sample of 1.0 is 10 V)
  kVolts,    // a control in volts
  kPitch,    // a pitch: 1 V per octave, 0 V = 13.75 Hz
  kInterval, // volts added to a pitch: 1 V an octave, 1/12 V a semitone
  kHertz,    // a frequency: the pin's value in volts is the number of Hz
  kCycles,   // a phase or a width: 10 V is one whole cycle
  kChoice,   // one of the pin's items
  kLink,     // a value that only a connection carries
};

struct PinRange {
  double min = 0.0;
  double max = 0.0;
  constexpr bool Empty() const { return !(min < max); }
};

struct ChoiceMeta {
  std::string_view text; // the item's text in the module's list ("X")
  int value;             // the module's value for it (4)
  int shown;             // the number a user reads for it (6)
};

struct PinMeta {
  std::string_view name;         // the module's own pin name
  const char *display = nullptr; // the name in plugin formats and on controls ("Cutoff")
  const char *symbol = nullptr;  // a stable identifier ("cutoff"): a-z, 0-9 and '_'
  std::span<const char *const> aliases = {}; // further names tools accept
  PinUnit unit = PinUnit::kNone;
  PinRange range = {};             // offered values, in the unit; empty for choices and links
  const char *rangeNote = nullptr; // why the range is what it is, where the module's texts differ
  const char *what = nullptr;      // what the pin does, in a sentence or two
  std::span<const ChoiceMeta> choices = {}; // every item of a choice pin, in list order
  bool hidden = false;                      // a pin users never see (the module's scratch)
};

struct ModuleMeta {
  const char *plugin; // the plugin file's name without extension ("ladder_filter")
  const char *id;     // the module's id, as its description gives it
  std::span<const PinSpec> pins;
  std::span<const PinMeta> meta; // one per pin, in pin order
};

// Every module's metadata of a build, as the catalogue header that the build
// writes lists it (se_pin_catalog.h: se::PinCatalog()).
using ModuleMetaList = std::span<const ModuleMeta *const>;

// The metadata of the module whose id, or whose plugin name, is `key`; nullptr
// for a module the list does not hold.
constexpr const ModuleMeta *FindModuleMeta(ModuleMetaList list, std::string_view key) {
  for (const ModuleMeta *m : list)
    if (key == m->id || key == m->plugin)
      return m;
  return nullptr;
}

// The items of a choice list, each shown as its value plus `offset`.
template <size_t N>
constexpr std::array<ChoiceMeta, N> ChoicesOf(std::string_view list, int offset) {
  std::array<ChoiceMeta, N> items{};
  size_t i = 0;
  ForEachChoice(list, [&](const ChoiceItem &item) {
    if (i < N)
      items[i] = {item.text, item.value, item.value + offset};
    ++i;
  });
  // A count that differs from the list's does not compile (i is not N).
  return i == N ? items : throw "the choice count differs from the list";
}

// The items of a choice list with the numbers users read for them, in order.
template <size_t N>
constexpr std::array<ChoiceMeta, N> ChoicesOf(std::string_view list, const int (&shown)[N]) {
  std::array<ChoiceMeta, N> items = ChoicesOf<N>(list, 0);
  for (size_t i = 0; i < N; ++i)
    items[i].shown = shown[i];
  return items;
}

// Checks a metadata table against its pin list: one entry per pin, each under
// its pin's name. Modules state it with static_assert.
template <size_t N, size_t M>
constexpr bool MetaFollowsPins(const PinSpec (&pins)[N], const PinMeta (&meta)[M]) {
  if (N != M)
    return false;
  for (size_t i = 0; i < N; ++i)
    if (meta[i].name != std::string_view(pins[i].name))
      return false;
  return true;
}

} // namespace se

#endif // SE_PIN_META_H
