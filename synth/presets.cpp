#include "synth/presets.h"

#include "se_text.h"

#include <iterator>

namespace synth {

namespace {

using V = PresetValue;

// Every preset names what differs from the defaults (controls.cpp); volumes
// are set so that the test chord sounds about as loud as with the defaults.

constexpr V kBassRound[] = {
    {kCutoff, 380},        {kResonance, 30}, {kFilterEnvAmount, 3}, {kKeyTrack, 30},
    {kFilterTap, 4},       {kQTap, 4},       {kFilterDecay, 250},   {kFilterSustain, 25},
    {kFilterRelease, 100}, {kAmpAttack, 2},  {kAmpDecay, 600},      {kAmpSustain, 70},
    {kAmpRelease, 120},    {kVoiceMode, 1},  {kWidth, 0},           {kVolume, 3}};
constexpr V kBassAcid[] = {
    {kCutoff, 330},  {kResonance, 85},  {kFilterEnvAmount, 4},  {kFilterTap, 4},
    {kQTap, 4},      {kEmulate, 0},     {kFilterDecay, 320},    {kFilterSustain, 0},
    {kKeyTrack, 40}, {kAmpSustain, 90}, {kAmpRelease, 60},      {kVoiceMode, 2},
    {kGlide, 60},    {kWidth, 0},       {kVelocityToCutoff, 2}, {kVolume, 5.5f}};
constexpr V kBassSub[] = {{kOsc1Waveform, 0},    {kOsc2Waveform, 6}, {kOsc2Octave, -1},
                          {kOscMix, 30},         {kCutoff, 900},     {kResonance, 0},
                          {kFilterEnvAmount, 0}, {kKeyTrack, 0},     {kAmpDecay, 200},
                          {kAmpSustain, 100},    {kAmpRelease, 80},  {kVoiceMode, 1},
                          {kWidth, 0},           {kVolume, -5}};
constexpr V kBassSync[] = {
    {kOsc2Sync, 1},       {kOsc2Octave, 1},  {kOsc2Semitones, 3},      {kOscMix, 70},
    {kCutoff, 700},       {kResonance, 45},  {kFilterEnvAmount, 2.5f}, {kFilterDecay, 300},
    {kFilterSustain, 20}, {kAmpSustain, 85}, {kAmpRelease, 90},        {kVoiceMode, 1},
    {kWidth, 0},          {kVolume, 1.5f}};
constexpr V kLeadSync[] = {
    {kOsc2Sync, 1},   {kOsc2Octave, 1},      {kOsc2Semitones, 5}, {kOscMix, 100},   {kCutoff, 6000},
    {kResonance, 20}, {kFilterEnvAmount, 1}, {kLfoPitch, 25},     {kLfoRate, 5.5f}, {kVoiceMode, 2},
    {kGlide, 40},     {kAmpRelease, 200},    {kWidth, 0},         {kVolume, -2.5f}};
constexpr V kLeadSquare[] = {
    {kOsc1Waveform, 11}, {kOsc1Width, 50},   {kOsc2Waveform, 1},    {kOsc2Fine, 7},  {kOscMix, 40},
    {kCutoff, 2500},     {kResonance, 35},   {kFilterEnvAmount, 2}, {kLfoPitch, 30}, {kLfoRate, 5},
    {kVoiceMode, 1},     {kAmpRelease, 180}, {kWidth, 0},           {kVolume, -4}};
constexpr V kLeadWhistle[] = {{kOsc1Waveform, 0},    {kOsc2Waveform, 6}, {kOsc2Octave, 1},
                              {kOscMix, 20},         {kCutoff, 8000},    {kResonance, 0},
                              {kFilterEnvAmount, 0}, {kAmpAttack, 40},   {kAmpSustain, 100},
                              {kAmpRelease, 300},    {kLfoPitch, 15},    {kLfoRate, 5.2f},
                              {kLfoWheel, 0},        {kVoiceMode, 2},    {kGlide, 70},
                              {kWidth, 0},           {kVolume, -7.5f}};
constexpr V kPadWarm[] = {
    {kOsc2Fine, 9},         {kOscMix, 50},        {kCutoff, 1200},      {kResonance, 15},
    {kFilterEnvAmount, 1},  {kFilterAttack, 800}, {kFilterDecay, 2000}, {kFilterSustain, 60},
    {kFilterRelease, 1500}, {kAmpAttack, 600},    {kAmpDecay, 1000},    {kAmpSustain, 90},
    {kAmpRelease, 1800},    {kAmpVelocity, 30},   {kWidth, 80},         {kVolume, -8}};
constexpr V kPadGlass[] = {
    {kOsc1Waveform, 8}, {kOsc2Waveform, 0},  {kOsc2Octave, 1},      {kOscMix, 40},
    {kCutoff, 4000},    {kResonance, 30},    {kFilterEnvAmount, 0}, {kAmpAttack, 1200},
    {kAmpSustain, 100}, {kAmpRelease, 2500}, {kLfoShape, 1},        {kLfoRate, 0.2f},
    {kLfoCutoff, 0.5f}, {kLfoWheel, 0},      {kWidth, 100},         {kVolume, -7}};
constexpr V kPadDark[] = {{kOsc1Waveform, 9},   {kOsc2Waveform, 1},    {kOsc2Fine, -11},
                          {kOscMix, 45},        {kCutoff, 450},        {kResonance, 60},
                          {kEmulate, 0},        {kFilterEnvAmount, 2}, {kFilterAttack, 2500},
                          {kFilterDecay, 4000}, {kFilterSustain, 30},  {kFilterRelease, 3000},
                          {kAmpAttack, 1500},   {kAmpSustain, 100},    {kAmpRelease, 3000},
                          {kWidth, 90},         {kVolume, -2.5f}};
constexpr V kPluckBright[] = {{kCutoff, 400},         {kResonance, 40},    {kFilterEnvAmount, 5},
                              {kFilterDecay, 350},    {kFilterSustain, 0}, {kAmpAttack, 1},
                              {kAmpDecay, 900},       {kAmpSustain, 30},   {kAmpRelease, 300},
                              {kVelocityToCutoff, 2}, {kWidth, 70},        {kVolume, -1.5f}};
constexpr V kPluckHarp[] = {{kOsc1Waveform, 6},    {kOsc2Waveform, 0},  {kOsc2Octave, 1},
                            {kOscMix, 30},         {kCutoff, 3000},     {kResonance, 10},
                            {kFilterEnvAmount, 1}, {kFilterDecay, 600}, {kFilterSustain, 0},
                            {kAmpAttack, 1},       {kAmpDecay, 1800},   {kAmpSustain, 15},
                            {kAmpRelease, 800},    {kWidth, 90},        {kVolume, -8.5f}};
constexpr V kPluckMuted[] = {{kOsc1Waveform, 5},    {kCutoff, 900},     {kResonance, 25},
                             {kFilterEnvAmount, 1}, {kFilterDecay, 80}, {kFilterSustain, 0},
                             {kAmpAttack, 1},       {kAmpDecay, 700},   {kAmpSustain, 35},
                             {kAmpRelease, 120},    {kWidth, 60},       {kVolume, -4.5f}};
constexpr V kBrassSection[] = {
    {kOsc2Fine, 5},           {kOscMix, 50},       {kCutoff, 700},      {kResonance, 15},
    {kFilterEnvAmount, 2.5f}, {kFilterAttack, 60}, {kFilterDecay, 400}, {kFilterSustain, 50},
    {kFilterRelease, 200},    {kAmpAttack, 40},    {kAmpSustain, 80},   {kAmpRelease, 200},
    {kVelocityToCutoff, 2},   {kWidth, 70},        {kVolume, -8.5f}};
constexpr V kBrassHorn[] = {
    {kOsc1Waveform, 3},   {kOsc2Waveform, 1},  {kOscMix, 30},        {kCutoff, 500},
    {kResonance, 10},     {kFilterTap, 3},     {kQTap, 3},           {kFilterEnvAmount, 2},
    {kFilterAttack, 120}, {kFilterDecay, 600}, {kFilterSustain, 60}, {kAmpAttack, 80},
    {kAmpSustain, 90},    {kAmpRelease, 250},  {kWidth, 50},         {kVolume, -3}};
constexpr V kBrassStab[] = {{kOsc2Waveform, 11}, {kOsc2Width, 40},     {kOscMix, 50},
                            {kCutoff, 900},      {kResonance, 25},     {kFilterEnvAmount, 3},
                            {kFilterDecay, 250}, {kFilterSustain, 10}, {kAmpDecay, 400},
                            {kAmpSustain, 30},   {kAmpRelease, 150},   {kWidth, 70},
                            {kVolume, -6}};
constexpr V kStringsEnsemble[] = {{kOsc1Waveform, 11}, {kOsc1Width, 40},      {kOsc2Waveform, 1},
                                  {kOsc2Fine, -3},     {kOscMix, 40},         {kCutoff, 3500},
                                  {kResonance, 5},     {kFilterEnvAmount, 0}, {kAmpAttack, 250},
                                  {kAmpSustain, 100},  {kAmpRelease, 900},    {kLfoShape, 1},
                                  {kLfoRate, 0.6f},    {kLfoWidth, 15},       {kLfoWheel, 0},
                                  {kWidth, 90},        {kVolume, -17}};
constexpr V kStringsSlow[] = {{kOsc2Fine, 12},    {kOscMix, 50},         {kCutoff, 2000},
                              {kResonance, 10},   {kFilterEnvAmount, 0}, {kAmpAttack, 900},
                              {kAmpSustain, 100}, {kAmpRelease, 1500},   {kLfoPitch, 6},
                              {kLfoRate, 4.5f},   {kLfoWheel, 0},        {kWidth, 100},
                              {kVolume, -8}};
constexpr V kStringsPizzicato[] = {{kOsc1Waveform, 6},  {kOsc2Waveform, 1},  {kOscMix, 40},
                                   {kCutoff, 1500},     {kResonance, 15},    {kFilterEnvAmount, 2},
                                   {kFilterDecay, 150}, {kFilterSustain, 0}, {kAmpAttack, 2},
                                   {kAmpDecay, 900},    {kAmpSustain, 15},   {kAmpRelease, 250},
                                   {kWidth, 90},        {kVolume, 1.5f}};
constexpr V kKeysPiano[] = {{kOsc1Waveform, 0},    {kOsc2Waveform, 6},   {kOsc2Octave, 1},
                            {kOscMix, 25},         {kCutoff, 3000},      {kResonance, 0},
                            {kFilterEnvAmount, 1}, {kFilterDecay, 1200}, {kFilterSustain, 0},
                            {kAmpAttack, 2},       {kAmpDecay, 2500},    {kAmpSustain, 20},
                            {kAmpRelease, 400},    {kAmpVelocity, 80},   {kVelocityToCutoff, 2},
                            {kWidth, 70},          {kVolume, -12}};
constexpr V kKeysOrgan[] = {{kOsc1Waveform, 8},     {kOsc2Waveform, 0}, {kOsc2Octave, 1},
                            {kOscMix, 35},          {kCutoff, 8000},    {kResonance, 0},
                            {kFilterEnvAmount, 0},  {kKeyTrack, 0},     {kAmpAttack, 2},
                            {kAmpSustain, 100},     {kAmpRelease, 60},  {kAmpVelocity, 0},
                            {kVelocityToCutoff, 0}, {kLfoPitch, 15},    {kLfoRate, 6.5f},
                            {kWidth, 40},           {kVolume, -14.5f}};
constexpr V kKeysClav[] = {{kOsc1Waveform, 11},  {kOsc1Width, 25},      {kCutoff, 1100},
                           {kResonance, 40},     {kFilterEnvAmount, 2}, {kFilterDecay, 150},
                           {kFilterSustain, 20}, {kAmpAttack, 1},       {kAmpDecay, 1200},
                           {kAmpSustain, 25},    {kAmpRelease, 80},     {kAmpVelocity, 70},
                           {kWidth, 60},         {kVolume, -6}};
constexpr V kFxSampleHold[] = {{kCutoff, 900},        {kResonance, 85},   {kEmulate, 0},
                               {kFilterEnvAmount, 0}, {kLfoShape, 4},     {kLfoSync, 7},
                               {kLfoRate, 8},         {kLfoCutoff, 2.5f}, {kLfoWheel, 0},
                               {kAmpSustain, 100},    {kAmpRelease, 400}, {kWidth, 100},
                               {kVolume, -9}};
constexpr V kFxWind[] = {{kOsc1Waveform, 255}, {kOsc1Width, 100},  {kNoise, 40},
                         {kCutoff, 800},       {kResonance, 90},   {kFilterEnvAmount, 0},
                         {kKeyTrack, 100},     {kLfoRate, 0.15f},  {kLfoCutoff, 2},
                         {kLfoWheel, 0},       {kAmpAttack, 1500}, {kAmpSustain, 100},
                         {kAmpRelease, 2500},  {kWidth, 100},      {kVolume, -4.5f}};
constexpr V kFxZap[] = {{kOsc1Waveform, 0},  {kCutoff, 200},        {kResonance, 75},
                        {kZing, 10},         {kFilterEnvAmount, 5}, {kFilterAttack, 1},
                        {kFilterDecay, 250}, {kFilterSustain, 0},   {kAmpAttack, 1},
                        {kAmpDecay, 700},    {kAmpSustain, 50},     {kAmpRelease, 200},
                        {kWidth, 100},       {kVolume, -3.5f}};
constexpr V kFxWobble[] = {
    {kOsc2Waveform, 5},    {kOsc2Octave, -1},  {kOscMix, 40},   {kCutoff, 300}, {kResonance, 70},
    {kFilterEnvAmount, 0}, {kLfoShape, 1},     {kLfoSync, 7},   {kLfoRate, 4},  {kLfoCutoff, 3},
    {kLfoWheel, 0},        {kAmpSustain, 100}, {kVoiceMode, 1}, {kWidth, 0},    {kVolume, 1}};

constexpr Preset kPresets[] = {
    {"bass-round", "Round Bass", "Bass", kBassRound},
    {"bass-acid", "Acid Bass", "Bass", kBassAcid},
    {"bass-sub", "Sub Bass", "Bass", kBassSub},
    {"bass-sync", "Sync Bass", "Bass", kBassSync},
    {"lead-sync", "Sync Lead", "Lead", kLeadSync},
    {"lead-square", "Square Lead", "Lead", kLeadSquare},
    {"lead-whistle", "Whistle Lead", "Lead", kLeadWhistle},
    {"pad-warm", "Warm Pad", "Pad", kPadWarm},
    {"pad-glass", "Glass Pad", "Pad", kPadGlass},
    {"pad-dark", "Dark Pad", "Pad", kPadDark},
    {"pluck-bright", "Bright Pluck", "Pluck", kPluckBright},
    {"pluck-harp", "Harp", "Pluck", kPluckHarp},
    {"pluck-muted", "Muted Pluck", "Pluck", kPluckMuted},
    {"brass-section", "Brass Section", "Brass", kBrassSection},
    {"brass-horn", "Soft Horn", "Brass", kBrassHorn},
    {"brass-stab", "Brass Stab", "Brass", kBrassStab},
    {"strings-ensemble", "String Ensemble", "Strings", kStringsEnsemble},
    {"strings-slow", "Slow Strings", "Strings", kStringsSlow},
    {"strings-pizzicato", "Pizzicato", "Strings", kStringsPizzicato},
    {"keys-piano", "Electric Piano", "Keys", kKeysPiano},
    {"keys-organ", "Organ", "Keys", kKeysOrgan},
    {"keys-clav", "Clav", "Keys", kKeysClav},
    {"fx-sample-hold", "Sample & Hold Bleeps", "Effect", kFxSampleHold},
    {"fx-wind", "Wind", "Effect", kFxWind},
    {"fx-zap", "Laser Zap", "Effect", kFxZap},
    {"fx-wobble", "Tempo Wobble", "Effect", kFxWobble},
};

} // namespace

std::span<const Preset> FactoryPresets() { return kPresets; }

const Preset *FindPreset(std::string_view name) {
  for (const Preset &p : kPresets)
    if (se::SameLetters(p.symbol, name) || se::SameLetters(p.name, name))
      return &p;
  return nullptr;
}

void PresetControls(const Preset &preset, float (&values)[kControlCount]) {
  for (int c = 0; c < kControlCount; ++c)
    values[c] = kControls[c].defaultValue;
  for (const PresetValue &v : preset.values)
    values[v.control] = ContainValue(v.control, v.value);
}

} // namespace synth
