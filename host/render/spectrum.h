// Spectra for plots: an FFT, an averaged magnitude spectrum and a spectrogram.
#ifndef SEHOST_SPECTRUM_H
#define SEHOST_SPECTRUM_H

#include <complex>
#include <cstddef>
#include <vector>

namespace sehost {

// In-place radix-2 FFT; the size must be a power of two.
void Fft(std::vector<std::complex<double>> &data);

// The largest power of two not above n (at least 1).
size_t FloorPowerOfTwo(size_t n);

// Magnitudes of a signal's spectrum in dB relative to full scale, so that a
// full-scale sine reads 0 dB at its frequency: the average power of
// Hann-windowed frames of `frame` samples with half overlap. Answers
// frame / 2 + 1 values, bin k at k × rate / frame Hz.
std::vector<double> AverageSpectrumDb(const std::vector<float> &signal, size_t frame);

// Spectrogram columns: one spectrum in dB (as above) per hop of `hop` samples.
std::vector<std::vector<double>> SpectrogramDb(const std::vector<float> &signal, size_t frame,
                                               size_t hop);

} // namespace sehost

#endif
