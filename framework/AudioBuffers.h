// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstring>

namespace iplug
{

// Copies input channel c to output channel c; outputs without an input (or with a null one) get
// silence, null outputs are skipped, in-place channels are left alone. Any thread; never allocates.
template <class Sample> void CopyOrSilence(Sample** inputs, Sample** outputs, int nIn, int nOut, int nFrames)
{
    if (outputs == nullptr || nFrames <= 0)
        return;
    for (int c = 0; c < nOut; ++c)
    {
        if (outputs[c] == nullptr)
            continue;
        const Sample* in = inputs != nullptr && c < nIn ? inputs[c] : nullptr;
        if (in == nullptr)
            std::memset(outputs[c], 0, sizeof(Sample) * static_cast<std::size_t>(nFrames));
        else if (in != outputs[c])
            std::memcpy(outputs[c], in, sizeof(Sample) * static_cast<std::size_t>(nFrames));
    }
}

} // namespace iplug
