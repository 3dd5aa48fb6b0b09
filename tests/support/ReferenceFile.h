// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Stored reference renders: raw native doubles, one file per render.
namespace pomelu::test
{

// The whole file, or an empty vector when it cannot be read.
std::vector<double> readReference(const std::string& path);
// The first channel of an audio file (the example voice), or an empty vector when it cannot be read.
std::vector<double> readFirstChannel(const std::string& path, int* sampleRate = nullptr);
bool writeReference(const std::string& path, const std::vector<double>& values);

// The largest absolute difference between two renders of the same length and where it is (a NaN
// on either side counts as infinitely far).
struct Deviation
{
    double largest = 0.0;
    std::size_t at = 0;
};
Deviation largestDeviation(const std::vector<double>& rendered, const std::vector<double>& reference);

} // namespace pomelu::test
