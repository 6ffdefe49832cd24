// A patch file: modules, their pin settings, connections, host-side sources,
// timed changes and the outputs that make the channels of the rendered file.
// Loading checks everything against the plugins' own pin lists; every mistake
// becomes a HostError of one line, "<file>: <JSON location>: <what is wrong>".
// The format is described in docs/patch-format.md.
#ifndef SEHOST_PATCH_H
#define SEHOST_PATCH_H

#include "host.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sehost {

struct PatchOptions {
  std::string pluginDir; // where plugin names are looked up
  // Given on the command line in place of the patch's own values; mistakes in
  // them are UsageErrors naming the option.
  std::optional<double> sampleRate = std::nullopt;
  std::optional<double> duration = std::nullopt;
  std::vector<std::string> settings = {}; // "id.pin=value", as under "pins"
  // The length in frames when the patch processes a file: it stands for the
  // patch's duration (also beyond the longest duration a patch may give).
  std::optional<int64_t> frames = std::nullopt;
  // What a source of type "input" plays (the marker by which `se-host
  // process` shows where its file goes in), given the entry's "gain"; unset,
  // such a source is refused.
  std::function<std::unique_ptr<Source>(double gain)> input = nullptr;
};

struct OutputChannel {
  std::string name; // "vcf.Output"
  int instance = -1;
  int pin = -1;
  float gain = 1.0f;
};

// The text of a patch file; throws HostError "<path>: ..." if it cannot be read.
std::string ReadPatchFile(const std::string &path);

class Patch {
public:
  // Reads and checks a patch file; file sources are found relative to its folder.
  static std::unique_ptr<Patch> Load(const std::string &path, const PatchOptions &options);
  // The same for a patch given as text; `name` stands for the file in messages.
  static std::unique_ptr<Patch> Parse(const std::string &text, const std::string &name,
                                      const std::string &base_dir, const PatchOptions &options);
  ~Patch();

  const std::string &Name() const { return m_name; }
  const std::string &Description() const { return m_description; }
  double SampleRate() const { return m_host->SampleRate(); }
  int32_t BlockSize() const { return m_host->BlockSize(); }
  int64_t Frames() const { return m_frames; }
  int Channels() const { return static_cast<int>(m_outputs.size()); }
  const std::vector<OutputChannel> &Outputs() const { return m_outputs; }
  Host &GetHost() { return *m_host; }
  // The files the patch is made from: the patch file (when loaded from one),
  // then the audio files its sources play.
  const std::vector<std::string> &InputFiles() const { return m_inputs; }
  // Warnings about values that were taken but look like mistakes (outside a
  // pin's range), one line each, located as errors are.
  const std::vector<std::string> &Warnings() const { return m_warnings; }
  // The host instance of a module id, or -1.
  int Instance(const std::string &id) const;

  // Renders the next block (opening the patch on the first call) and answers
  // its frames, interleaved by channel; empty once the whole duration is done.
  const std::vector<float> &RenderBlock();
  int64_t FramesRendered() const { return m_rendered; }
  bool Done() const { return m_rendered >= m_frames; }

private:
  Patch() = default;
  friend class PatchBuilder;
  std::string m_name;
  std::string m_description;
  std::unique_ptr<Host> m_host;
  std::vector<std::pair<std::string, int>> m_ids;
  std::vector<OutputChannel> m_outputs;
  std::vector<std::string> m_inputs;
  std::vector<std::string> m_warnings;
  int64_t m_frames = 0;
  int64_t m_rendered = 0;
  std::vector<float> m_block;
};

} // namespace sehost

#endif
