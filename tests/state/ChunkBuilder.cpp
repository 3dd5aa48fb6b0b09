// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChunkBuilder.h"

namespace pomelu::test
{

std::unique_ptr<PomeluRarorudIzad> makePlugin()
{
    return std::make_unique<PomeluRarorudIzad>(iplug::InstanceInfo{});
}

std::vector<double> defaultsWith(int count, std::initializer_list<std::pair<int, double>> changes)
{
    const auto plug = makePlugin();
    std::vector<double> values(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        values[static_cast<std::size_t>(i)] = plug->GetParam(i)->GetDefault();
    for (const auto& [index, value] : changes)
        values[static_cast<std::size_t>(index)] = value;
    return values;
}

} // namespace pomelu::test
