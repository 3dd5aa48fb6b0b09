// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

// Test signals and measurements shared by every test folder.
namespace pomelu::test
{

std::vector<double> sine(double frequencyHz, double sampleRate, std::size_t frames, double amplitude = 1.0);

// Level of a sinusoid of known frequency in a stretch of signal, by correlation with sine and cosine
// (ignores DC and other frequencies over whole cycles). Returns the amplitude.
double sineAmplitude(const double* signal, std::size_t frames, double frequencyHz, double sampleRate);

double peakAbs(const double* signal, std::size_t frames);
double rms(const double* signal, std::size_t frames);
double toDb(double linear);

} // namespace pomelu::test
