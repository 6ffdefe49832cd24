#include "commands.h"

namespace sehost::cli {

namespace {
constexpr Command kCommands[] = {
    {"describe", AddDescribe},
    {"render", AddRender},
    {"process", AddProcess, "ladder_filter"},
    {"plot", AddPlot},
    {"synth", AddSynth, nullptr, SynthValues},
};
} // namespace

std::span<const Command> Commands() { return kCommands; }

} // namespace sehost::cli
