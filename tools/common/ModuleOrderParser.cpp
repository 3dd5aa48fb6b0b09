// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleOrderParser.h"

#include "Errors.h"
#include "Text.h"

#include <vector>

namespace pomelu::tools
{

std::optional<dsp::ModuleId> findModule(std::string_view name)
{
    const std::string folded = foldName(name);
    if (folded.empty())
        return std::nullopt;
    for (int i = 0; i < dsp::kNumModules; ++i)
    {
        const auto id = static_cast<dsp::ModuleId>(i);
        if (folded == foldName(dsp::moduleName(id)) || folded == foldName(dsp::moduleShortLabel(id)))
            return id;
    }
    return std::nullopt;
}

dsp::ModuleOrder parseModuleOrder(std::string_view list)
{
    std::vector<dsp::ModuleId> ids;
    bool seen[dsp::kNumModules] = {};
    std::size_t start = 0;
    while (true)
    {
        const std::size_t comma = list.find(',', start);
        const std::string_view item = trim(
            list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        const auto id = findModule(item);
        if (!id)
        {
            if (item.empty())
                throwUsageError("--order: empty module name in '" + std::string(list) + "'");
            throwUsageError("--order: unknown module '" + std::string(item) +
                            "' (modules: PopCut, SClear, Eq, Distortion, Phaser, Tremolo, Leveler, Comp, "
                            "ClipGuard, Delay, Reverb, or POP, S CLEAR, EQ, DIST, PHASER, TREM, LEVEL, COMP, "
                            "CLIP, DELAY, REVERB)");
        }
        const auto v = static_cast<std::size_t>(*id);
        if (seen[v])
            throwUsageError("--order: " + std::string(dsp::moduleName(*id)) + " is named more than once");
        seen[v] = true;
        ids.push_back(*id);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }

    if (ids.size() != static_cast<std::size_t>(dsp::kNumModules))
    {
        std::string missing;
        for (int i = 0; i < dsp::kNumModules; ++i)
            if (!seen[i])
                missing +=
                    std::string(missing.empty() ? "" : ", ") + dsp::moduleName(static_cast<dsp::ModuleId>(i));
        throwUsageError("--order must name all eleven modules once; missing: " + missing);
    }

    dsp::ModuleOrder order{};
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = ids[i];
    return order;
}

std::string formatModuleOrder(const dsp::ModuleOrder& order)
{
    std::string text;
    for (dsp::ModuleId id : order)
        text += std::string(text.empty() ? "" : ",") + dsp::moduleName(id);
    return text;
}

} // namespace pomelu::tools
