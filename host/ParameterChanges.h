// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostObject.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <span>
#include <vector>

namespace pomelu::host
{

// One parameter change in a block: host parameter id, normalised value, sample offset in the block.
struct ParamChange
{
    Steinberg::Vst::ParamID id = 0;
    double value = 0.0;
    Steinberg::int32 offset = 0;
};

// The parameter changes of one process call, as input (filled by the host) or output (filled by
// the plug-in through addParameterData/addPoint). One queue per parameter id, its points kept in
// sample-offset order. All storage is made by the constructor: nothing afterwards allocates, so
// the audio thread may fill, clear and hand it over; beyond capacity a change is refused.
class ParameterChanges final : public HostObject<Steinberg::Vst::IParameterChanges>
{
public:
    explicit ParameterChanges(int queueCapacity = 128, int pointCapacity = 16);

    void clear() { count = 0; }
    // Adds a point to the id's queue, opening a queue for a new id. False when full.
    bool add(const ParamChange& change);
    // clear(), then add() in order; false when something did not fit.
    bool set(std::span<const ParamChange> changes);

    Steinberg::int32 PLUGIN_API getParameterCount() override { return count; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    // The id's queue, opened when new; nullptr and index -1 when no queue is left.
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

private:
    class Queue final : public HostObject<Steinberg::Vst::IParamValueQueue>
    {
    public:
        Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return id; }
        Steinberg::int32 PLUGIN_API getPointCount() override
        {
            return static_cast<Steinberg::int32>(points.size());
        }
        Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                               Steinberg::Vst::ParamValue& value) override;
        // Inserted in offset order (after points at the same offset); kResultFalse when full.
        Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                               Steinberg::Vst::ParamValue value,
                                               Steinberg::int32& index) override;

        struct Point
        {
            Steinberg::int32 offset;
            double value;
        };
        Steinberg::Vst::ParamID id = 0;
        std::vector<Point> points; // capacity fixed at construction
    };

    std::vector<Queue> queues;
    Steinberg::int32 count = 0;
};

} // namespace pomelu::host
