#include "input_feed.h"

#include "host_error.h"

#include <algorithm>

namespace sehost::cli {
namespace {

// Samples (all channels) read from the file at a time.
constexpr size_t kPieceSamples = 16384;

} // namespace

class InputFeed::Channel : public Source {
public:
  Channel(InputFeed &feed, int consumer, int channel, float gain)
      : m_feed(feed), m_consumer(consumer), m_channel(channel), m_gain(gain) {}
  bool Streaming() const override { return true; }
  void Fill(float *out, int32_t n, int64_t clock) override {
    m_feed.Copy(m_consumer, m_channel, m_gain, out, n, clock);
  }

private:
  InputFeed &m_feed;
  int m_consumer;
  int m_channel;
  float m_gain;
};

InputFeed::InputFeed(std::unique_ptr<AudioFileReader> reader)
    : m_reader(std::move(reader)), m_channels(m_reader->Channels()) {
  Cover(0, 1);
  if (m_end == 0)
    throw HostError(m_reader->Path() + ": the file holds no samples");
}

InputFeed::~InputFeed() = default;

std::unique_ptr<Source> InputFeed::ChannelSource(int channel, double gain) {
  m_next.push_back(0);
  return std::make_unique<Channel>(*this, static_cast<int>(m_next.size()) - 1, channel,
                                   static_cast<float>(gain));
}

void InputFeed::Cover(int64_t clock, int64_t n) {
  const auto channels = static_cast<size_t>(m_channels);
  const auto held = [&] { return static_cast<int64_t>(m_frames.size() / channels); };
  if (m_end >= 0 || clock + n <= m_start + held())
    return;
  // Frames that every source has played are dropped before more are read.
  const int64_t least = m_next.empty() ? clock : *std::min_element(m_next.begin(), m_next.end());
  const int64_t drop = std::clamp<int64_t>(std::min(least, clock) - m_start, 0, held());
  m_frames.erase(m_frames.begin(),
                 m_frames.begin() + static_cast<std::ptrdiff_t>(drop * m_channels));
  m_start += drop;
  const int64_t piece = std::max<int64_t>(1, static_cast<int64_t>(kPieceSamples / channels));
  while (m_end < 0 && clock + n > m_start + held()) {
    const size_t at = m_frames.size();
    m_frames.resize(at + static_cast<size_t>(piece) * channels);
    const int64_t got = m_reader->Read(m_frames.data() + at, piece);
    m_frames.resize(at + static_cast<size_t>(got) * channels);
    if (got == 0)
      m_end = m_start + held();
  }
}

void InputFeed::Copy(int consumer, int channel, float gain, float *out, int32_t n, int64_t clock) {
  Cover(clock, n);
  m_next[static_cast<size_t>(consumer)] = clock + n;
  const int64_t held = static_cast<int64_t>(m_frames.size()) / m_channels;
  for (int32_t i = 0; i < n; ++i) {
    const int64_t at = clock + i - m_start;
    out[i] = at >= 0 && at < held ? m_frames[static_cast<size_t>(at * m_channels + channel)] * gain
                                  : 0.0f;
  }
}

} // namespace sehost::cli
