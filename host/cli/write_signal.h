// Writing what a command renders to an audio file or to standard output, as
// every rendering command does it: the file is written whole or not at all, a
// stop request is seen within a block, a progress line runs while it renders
// and one summary line follows.
#ifndef SEHOST_CLI_WRITE_SIGNAL_H
#define SEHOST_CLI_WRITE_SIGNAL_H

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace sehost::cli {

// What RenderedSignal::Frames() answers while a signal's length is not known.
inline constexpr int64_t kUnknownLength = -1;

// A signal rendered block by block: a patch, or one patch per channel.
class RenderedSignal {
public:
  virtual ~RenderedSignal() = default;
  virtual int Channels() const = 0;
  virtual double SampleRate() const = 0;
  // The length in frames; kUnknownLength for a signal that learns its length
  // as it renders (a file of unknown length played through a patch).
  virtual int64_t Frames() const = 0;
  // What the progress line counts towards while the length is not known (a
  // guess; 0 for none).
  virtual int64_t ExpectedFrames() const { return Frames(); }
  virtual int64_t FramesRendered() const = 0;
  virtual bool Done() const { return Frames() != kUnknownLength && FramesRendered() >= Frames(); }
  // The next block's frames, interleaved by channel. Throws HostInterrupted
  // when `check` (see SetInterruptCheck) answers true inside the block.
  virtual const std::vector<float> &RenderBlock() = 0;
  virtual void SetInterruptCheck(bool (*check)()) = 0;
};

struct WriteSettings {
  std::string output;   // a path, or "-" for standard output
  std::string format;   // -f as given
  std::string madeFrom; // what the signal is made from, for messages
  std::string doing;    // the progress line's word: "rendering", "processing"
  uint32_t serial = 0;  // an Ogg stream's serial number
  bool quiet = false;   // no summary line
  bool noProgress = false;
  double gainDb = 0.0;    // --gain: applied to every sample before anything else
  bool normalize = false; // --normalize: the peak brought to -1 dBFS (after resampling)
  // The output's sample rate: 0 for the signal's own, which a codec that does
  // not take it (Opus) changes to one it does. The signal is resampled to it.
  double rate = 0.0;
};

// -o, -f, --gain and --normalize: where and how the signal is written. Every
// command that writes audio takes them from here.
void AddOutputOptions(CLI::App &cmd, WriteSettings &settings);
// -q and --no-progress.
void AddQuietOptions(CLI::App &cmd, WriteSettings &settings);

// A number that stands for a text (FNV-1a), e.g. for an Ogg serial number that
// is the same on every run of one command.
uint32_t TextSerial(const std::string &text);
// The same for a file's bytes.
uint32_t FileSerial(const std::string &path);

// Checks the output's path, format, gain and rate before any work is done;
// throws UsageError (or HostError for a path that cannot be written).
void CheckOutput(const WriteSettings &settings);

// Shows each line on standard error as "se-host: warning: <line>".
void ShowWarnings(const std::vector<std::string> &lines);

// Writes the whole signal: the gain, then resampling to the output's rate,
// then (for --normalize) the whole signal kept in a temporary file until its
// peak is known and read back scaled; memory never grows with the length.
// Throws HostError when it cannot or is stopped (leaving no partial file
// behind), UsageError for settings that cannot go together.
void WriteSignal(RenderedSignal &signal, const WriteSettings &settings);

} // namespace sehost::cli

#endif
