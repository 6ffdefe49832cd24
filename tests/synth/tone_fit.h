// The frequency of one steady tone among others (the notes of a chord): the
// signal is turned down by the expected frequency, and the phase of what is
// left, measured in long windows with low side lobes, drifts by the
// difference. Good to a thousandth of a cent when the other tones lie a few
// hertz away or more.
#ifndef TESTS_SYNTH_TONE_FIT_H
#define TESTS_SYNTH_TONE_FIT_H

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace synthtest {

// The frequency near `expected` Hz in x[from, to), or 0 when the stretch is
// shorter than two windows. A window of 16384 frames tells tones 12 Hz apart
// at 48 kHz; shorter ones serve a tone alone.
inline double ToneHz(const std::vector<float> &x, size_t from, size_t to, double rate,
                     double expected, size_t kWindow = 16384) {
  const size_t kHop = kWindow / 4;
  constexpr double kPi = 3.14159265358979323846;
  std::vector<double> w(kWindow);
  for (size_t n = 0; n < kWindow; ++n) { // Blackman-Harris, side lobes below -92 dB
    const double a = 2.0 * kPi * static_cast<double>(n) / (kWindow - 1);
    w[n] = 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
  }
  std::vector<double> times, phases;
  double unwrap = 0.0, previous = 0.0;
  for (size_t start = from; start + kWindow <= to; start += kHop) {
    std::complex<double> z = 0.0;
    for (size_t n = 0; n < kWindow; ++n) {
      const double t = static_cast<double>(start + n) / rate;
      z += w[n] * static_cast<double>(x[start + n]) * std::polar(1.0, -2.0 * kPi * expected * t);
    }
    double phase = std::arg(z);
    if (!phases.empty()) {
      while (phase + unwrap - previous > kPi)
        unwrap -= 2.0 * kPi;
      while (phase + unwrap - previous < -kPi)
        unwrap += 2.0 * kPi;
    }
    previous = phase + unwrap;
    phases.push_back(previous);
    times.push_back((static_cast<double>(start) + kWindow / 2.0) / rate);
  }
  if (phases.size() < 2)
    return 0.0;
  double st = 0, sp = 0, stt = 0, stp = 0;
  const auto n = static_cast<double>(phases.size());
  for (size_t k = 0; k < phases.size(); ++k) {
    st += times[k];
    sp += phases[k];
    stt += times[k] * times[k];
    stp += times[k] * phases[k];
  }
  const double slope = (n * stp - st * sp) / (n * stt - st * st);
  return expected + slope / (2.0 * kPi);
}

// The amplitude of the tone at `hz` in x[from, to) (a Hann window; tones a
// few bins apart do not disturb it).
inline double ToneLevel(const std::vector<float> &x, size_t from, size_t to, double rate,
                        double hz) {
  constexpr double kPi = 3.14159265358979323846;
  std::complex<double> z = 0.0;
  double sum = 0.0;
  const size_t n = to - from;
  for (size_t k = 0; k < n; ++k) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(k) / (n - 1));
    sum += w;
    z += w * static_cast<double>(x[from + k]) *
         std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(from + k) / rate);
  }
  return 2.0 * std::abs(z) / sum;
}

inline double Cents(double hz, double reference) { return 1200.0 * std::log2(hz / reference); }

inline double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

} // namespace synthtest

#endif // TESTS_SYNTH_TONE_FIT_H
