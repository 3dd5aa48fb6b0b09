// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockProcessor.h"

#include "PluginInstance.h"

#include <algorithm>

namespace pomelu::tools
{

void BlockProcessor::process(float* const* inputs, float* const* outputs, int count, double tempo) noexcept
{
    for (int done = 0; done < count;)
    {
        const int n = std::min(maxBlock, count - done);
        float* in[2] = {inputs[0] + done, inputs[1] + done};
        float* out[2] = {outputs[0] + done, outputs[1] + done};
        instance.process32(in, out, 2, 2, n, {}, tempo); // an empty change list allocates nothing
        done += n;
    }
    frames.fetch_add(std::max(count, 0), std::memory_order_relaxed);
}

} // namespace pomelu::tools
