// The audio file formats the tool writes: one table of containers (name,
// extensions, libsndfile format) and one of sample formats, and the choice of
// what to write from an output path, a --format text and the render's length.
#ifndef SEHOST_AUDIO_FORMATS_H
#define SEHOST_AUDIO_FORMATS_H

#include <cstdint>
#include <string>

namespace sehost {

struct SampleFormatInfo {
  const char *name;  // as given to --format: "16", "24", "float"
  const char *title; // "24-bit"
  int sfSubtype;     // SF_FORMAT_PCM_24, ...
  int bytes;         // per sample in the file
};

struct ContainerInfo {
  const char *name;       // as given to --format: "wav"
  const char *title;      // "WAV"
  const char *extensions; // "wav" or "aiff aif": the first is the usual one
  int sfFormat;           // SF_FORMAT_WAV, or SF_FORMAT_OGG | SF_FORMAT_VORBIS for a codec
  unsigned samples;       // the sample formats it holds, a bit per row of SampleFormats(); 0:
                          // a lossy codec with its own encoding
  bool streams;           // can be written to standard output, a FIFO or a device as it is made
  bool limit4gib;         // its sizes are 32-bit: at most 4 GiB of samples
  const char *whenLarge;  // the container written instead past that limit, or nullptr
  const char *rates;      // the sample rates it takes, in Hz, space-separated; nullptr: any
  int maxRate;            // with `rates` nullptr: the highest rate it takes; 0: no limit
  int otherRates;         // with `rates`: the rate any other is resampled to; 0: the next
                          // listed one above it
};

// The rows of the tables, ended by a row whose name is nullptr.
const SampleFormatInfo *SampleFormats();
const ContainerInfo *Containers();

// A row by --format name, or by a path's extension (any letter case); nullptr if none.
const SampleFormatInfo *FindSampleFormat(const std::string &name);
const ContainerInfo *FindContainer(const std::string &name);
const ContainerInfo *ContainerForPath(const std::string &path);

// What to write: a container and, unless the container is a lossy codec, a sample format.
struct OutputFormat {
  const ContainerInfo *container = nullptr;
  const SampleFormatInfo *sample = nullptr; // nullptr for a lossy codec
  std::string Text() const;                 // "WAV, 24-bit", "Ogg Vorbis"
  int SfFormat() const;                     // for SF_INFO::format
};

// The format for `path` ("-" is standard output) and a --format text: words
// separated by commas, at most one container ("flac") and one sample format
// ("16"). The container comes from --format, else from the extension; the
// sample format from --format, else 24-bit. Standard output, FIFOs and devices
// take only containers that stream. A container with 32-bit sizes is replaced
// by its larger form (WAV by RF64) when `frames` x `channels` samples would not
// fit, or refused; `frames` 0 (or a length not known yet) leaves that to the
// writer. Throws UsageError naming `path` for a mistake in the path or the
// text, HostError for a render too long for the container.
OutputFormat ChooseOutputFormat(const std::string &path, const std::string &format_text,
                                int64_t frames, int channels);

// The rate a container is written at for a signal at `rate` Hz: `rate` if it
// takes it, else its rate for all others (Opus: 48 kHz, at which it always
// decodes), else the lowest listed rate above `rate`, else its highest (for a
// container with a highest rate only, the highest usual rate under it).
int ContainerRate(const ContainerInfo &container, int rate);
// Its rates for messages: "8000, 12000, 16000, 24000 or 48000 Hz", "rates up
// to 200000 Hz".
std::string ContainerRateList(const ContainerInfo &container);
// Whether this build's libsndfile writes the container (the Windows tool's
// has no MP3 encoder).
bool ContainerAvailable(const ContainerInfo &container);

// "wav, rf64, flac, ..." and "16, 24, float", for messages and help.
std::string ContainerNames();
std::string SampleFormatNames();
// The usual extension of each container: ".wav .rf64 .flac ...", for help.
std::string UsualExtensions();

} // namespace sehost

#endif
