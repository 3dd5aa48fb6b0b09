// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComponentHandler.h"

namespace pomelu::host
{

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult ComponentHandler::record(Edit::Kind kind, ParamID id, double value)
{
    std::lock_guard lock(mutex);
    editLog.push_back({kind, id, value, std::this_thread::get_id()});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id)
{
    return record(Edit::Kind::Begin, id, 0.0);
}

tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
    return record(Edit::Kind::Perform, id, valueNormalized);
}

tresult PLUGIN_API ComponentHandler::endEdit(ParamID id)
{
    return record(Edit::Kind::End, id, 0.0);
}

tresult PLUGIN_API ComponentHandler::startGroupEdit()
{
    return record(Edit::Kind::GroupStart, 0, 0.0);
}

tresult PLUGIN_API ComponentHandler::finishGroupEdit()
{
    return record(Edit::Kind::GroupFinish, 0, 0.0);
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID iid, void** obj)
{
    if (offerGroupEdits && FUnknownPrivate::iidEqual(iid, IComponentHandler2::iid))
    {
        *obj = static_cast<IComponentHandler2*>(this);
        return kResultOk;
    }
    return HostObject<IComponentHandler>::queryInterface(iid, obj);
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags)
{
    if (onRestart)
        onRestart(flags);
    std::lock_guard lock(mutex);
    restartLog.push_back({flags, std::this_thread::get_id()});
    return kResultOk;
}

std::vector<ComponentHandler::Edit> ComponentHandler::edits() const
{
    std::lock_guard lock(mutex);
    return editLog;
}

std::vector<ComponentHandler::Restart> ComponentHandler::restarts() const
{
    std::lock_guard lock(mutex);
    return restartLog;
}

void ComponentHandler::clear()
{
    std::lock_guard lock(mutex);
    editLog.clear();
    restartLog.clear();
}

} // namespace pomelu::host
