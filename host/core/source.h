// Host-side signal sources that drive audio inputs.
#ifndef SEHOST_SOURCE_H
#define SEHOST_SOURCE_H

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace sehost {

class Source {
public:
  virtual ~Source() = default;
  // A streaming source changes from sample to sample; its input is PS_RUNNING.
  virtual bool Streaming() const = 0;
  // Writes the samples for clocks [clock, clock + n).
  virtual void Fill(float *out, int32_t n, int64_t clock) = 0;
};

// A value that holds, with optional steps to new values at given clocks. The
// host uses it for every input that no module and no streaming source feeds.
class SteppedSource : public Source {
public:
  explicit SteppedSource(float value) : m_initial(value) {}
  bool Streaming() const override { return false; }
  void Fill(float *out, int32_t n, int64_t clock) override;
  // Adds a step; steps are kept in clock order.
  void AddStep(int64_t clock, float value);
  float ValueAt(int64_t clock) const;

private:
  float m_initial;
  std::vector<std::pair<int64_t, float>> m_steps;
};

// A recorded signal, played from clock 0; after its end it holds 0.
class ArraySource : public Source {
public:
  explicit ArraySource(std::vector<float> samples) : m_samples(std::move(samples)) {}
  bool Streaming() const override { return true; }
  void Fill(float *out, int32_t n, int64_t clock) override;

private:
  std::vector<float> m_samples;
};

// A streaming signal computed sample by sample from its clock.
class FunctionSource : public Source {
public:
  explicit FunctionSource(std::function<float(int64_t)> f) : m_f(std::move(f)) {}
  bool Streaming() const override { return true; }
  void Fill(float *out, int32_t n, int64_t clock) override {
    for (int32_t i = 0; i < n; ++i)
      out[i] = m_f(clock + i);
  }

private:
  std::function<float(int64_t)> m_f;
};

} // namespace sehost

#endif
