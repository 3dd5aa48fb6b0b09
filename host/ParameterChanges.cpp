// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParameterChanges.h"

#include <algorithm>

namespace pomelu::host
{

using namespace Steinberg;
using namespace Steinberg::Vst;

ParameterChanges::ParameterChanges(int queueCapacity, int pointCapacity)
    : queues(static_cast<std::size_t>(std::max(queueCapacity, 0)))
{
    for (Queue& q : queues)
        q.points.reserve(static_cast<std::size_t>(std::max(pointCapacity, 1)));
}

bool ParameterChanges::add(const ParamChange& change)
{
    int32 index = -1;
    IParamValueQueue* queue = addParameterData(change.id, index);
    return queue != nullptr && queue->addPoint(change.offset, change.value, index) == kResultOk;
}

bool ParameterChanges::set(std::span<const ParamChange> changes)
{
    clear();
    bool all = true;
    for (const ParamChange& change : changes)
        all = add(change) && all;
    return all;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    return index >= 0 && index < count ? &queues[static_cast<std::size_t>(index)] : nullptr;
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
    for (index = 0; index < count; ++index)
        if (queues[static_cast<std::size_t>(index)].id == id)
            return &queues[static_cast<std::size_t>(index)];
    if (count == static_cast<int32>(queues.size()))
    {
        index = -1;
        return nullptr;
    }
    Queue& queue = queues[static_cast<std::size_t>(count)];
    queue.id = id;
    queue.points.clear();
    index = count++;
    return &queue;
}

tresult PLUGIN_API ParameterChanges::Queue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= getPointCount())
        return kInvalidArgument;
    sampleOffset = points[static_cast<std::size_t>(index)].offset;
    value = points[static_cast<std::size_t>(index)].value;
    return kResultOk;
}

tresult PLUGIN_API ParameterChanges::Queue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    if (points.size() == points.capacity())
    {
        index = -1;
        return kResultFalse;
    }
    const auto at = std::upper_bound(points.begin(), points.end(), sampleOffset,
                                     [](int32 offset, const Point& p) { return offset < p.offset; });
    index = static_cast<int32>(at - points.begin());
    points.insert(at, {sampleOffset, value});
    return kResultOk;
}

} // namespace pomelu::host
