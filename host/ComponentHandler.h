// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostObject.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace pomelu::host
{

// The host's IComponentHandler and IComponentHandler2: records what the plug-in tells its host, in
// order and with the calling thread, so that tests and tools can see edits (beginEdit, performEdit,
// endEdit, and the group around several: startGroupEdit, finishGroupEdit) and restart requests.
// Thread-safe: a plug-in may call from any thread; the records are copied out under a lock.
// Recording allocates (the calls are UI-thread calls by contract).
class ComponentHandler final : public HostObject<Steinberg::Vst::IComponentHandler>,
                               public Steinberg::Vst::IComponentHandler2
{
public:
    struct Edit
    {
        enum class Kind
        {
            Begin,
            Perform,
            End,
            GroupStart,
            GroupFinish
        };
        Kind kind;
        Steinberg::Vst::ParamID id;
        double value; // the performed value; 0 for the others
        std::thread::id thread;
    };
    struct Restart
    {
        Steinberg::int32 flags;
        std::thread::id thread;
    };

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue valueNormalized) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
    Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString) override
    {
        return Steinberg::kNotImplemented;
    }
    Steinberg::tresult PLUGIN_API startGroupEdit() override;
    Steinberg::tresult PLUGIN_API finishGroupEdit() override;

    // IComponentHandler2 is handed out unless offerGroupEdits is false (a host without it). Set it
    // before the plug-in gets the handler.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
    bool offerGroupEdits = true;

    std::vector<Edit> edits() const;
    std::vector<Restart> restarts() const;
    void clear();

    // Runs inside every restartComponent call, before it is recorded and outside the handler's own
    // lock, on the plug-in's calling thread: lets a test act as a host that, say, takes its own
    // lock there. Set it while the plug-in makes no calls.
    std::function<void(Steinberg::int32 flags)> onRestart;

private:
    Steinberg::tresult record(Edit::Kind kind, Steinberg::Vst::ParamID id, double value);

    mutable std::mutex mutex;
    std::vector<Edit> editLog;
    std::vector<Restart> restartLog;
};

} // namespace pomelu::host
