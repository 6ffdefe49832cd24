// The audio file that `se-host process` plays into its patches, one channel
// each: read once, in pieces, as the patches render the same clocks one after
// another, so that its length costs no memory. The length is what the data
// holds: a header that gives none (a streamed FLAC) or the wrong one is not
// believed.
#ifndef SEHOST_CLI_INPUT_FEED_H
#define SEHOST_CLI_INPUT_FEED_H

#include "audio_file.h"
#include "source.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sehost::cli {

class InputFeed {
public:
  // Reads the first piece; throws HostError if the file holds no samples.
  explicit InputFeed(std::unique_ptr<AudioFileReader> reader);
  ~InputFeed();
  InputFeed(const InputFeed &) = delete;
  InputFeed &operator=(const InputFeed &) = delete;

  const AudioFileReader &Reader() const { return *m_reader; }
  // A source playing `channel` (from 0) times `gain`, from clock 0, and 0
  // after the file's end. Every source must be played at the same clocks.
  std::unique_ptr<Source> ChannelSource(int channel, double gain);
  // The file's length in frames once its end has been read; -1 until then.
  int64_t EndFrame() const { return m_end; }

private:
  class Channel;
  // Makes frames [clock, clock + n) available, as far as the file has them.
  void Cover(int64_t clock, int64_t n);
  // Copies `channel` x `gain` for [clock, clock + n), 0 where the file has none.
  void Copy(int consumer, int channel, float gain, float *out, int32_t n, int64_t clock);

  std::unique_ptr<AudioFileReader> m_reader;
  int m_channels;
  std::vector<float> m_frames; // interleaved, from m_start
  int64_t m_start = 0;
  int64_t m_end = -1;
  std::vector<int64_t> m_next; // each source's next clock: frames before the least are dropped
};

} // namespace sehost::cli

#endif
