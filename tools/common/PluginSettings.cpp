// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginSettings.h"

#include "CommandLine.h"
#include "Errors.h"
#include "ModuleOrderParser.h"
#include "Text.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace pomelu::tools
{

bool takePluginSetting(PluginSettings& settings, const std::string& option, const std::string& value)
{
    if (option == "--state")
        setOnce(settings.statePath, value, option);
    else if (option == "--preset")
        setOnce(settings.presetName, value, option);
    else if (option == "--set")
        settings.settings.push_back(splitSetting(value));
    else if (option == "--order")
        setOnce(settings.order, parseModuleOrder(value), option);
    else
        return false;
    return true;
}

const char* pluginSettingsHelp()
{
    return "Settings, applied in this order:\n"
           "  --state FILE          load a saved plug-in state (as pomelu-render --save-state writes it)\n"
           "  --preset NAME         recall a factory preset: Natural, Singing, Narration, Podcast, Gentle\n"
           "  --set \"NAME=VALUE\"    set a parameter by name (see pomelu-render --list-params); VALUE in\n"
           "                        the parameter's units or one of its value texts:\n"
           "                        \"Comp Threshold=-20\", \"Delay Feel=Dotted\", \"Comp=on\"; may be "
           "repeated\n"
           "  --order LIST          the module order: all eleven modules once, comma-separated, by name\n"
           "                        (PopCut,SClear,Eq,...) or by routing label (POP,S CLEAR,EQ,...)\n";
}

int findPreset(const std::vector<std::string>& names, const std::string& name)
{
    const std::string_view wanted = trim(name);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (equalsIgnoreCase(names[i], wanted))
            return static_cast<int>(i);
    std::string list;
    for (const std::string& n : names)
        list += (list.empty() ? "" : ", ") + n;
    throwUsageError("unknown preset '" + std::string(wanted) + "' (presets: " + list + ")");
}

void applySettings(Effect& effect, const PluginSettings& settings)
{
    const std::vector<ParameterDescription> parameters = effect.parameters();

    // Check every name and value before touching the effect, so one bad --set reports itself first.
    std::vector<std::pair<int, double>> values;
    for (const ParameterSetting& setting : settings.settings)
    {
        const ParameterDescription& p = findParameter(parameters, setting.name);
        values.emplace_back(p.index, parseParameterValue(p, setting.value));
    }
    const std::optional<int> preset =
        settings.presetName ? std::optional<int>(findPreset(effect.presetNames(), *settings.presetName))
                            : std::nullopt;

    if (settings.statePath)
    {
        const std::vector<std::uint8_t> bytes = readStateFile(*settings.statePath);
        if (bytes.empty() || !effect.setState(bytes))
            throwIoError("--state '" + *settings.statePath + "': not a state this plug-in can load");
    }
    if (preset)
        effect.restorePreset(*preset);
    for (const auto& [index, value] : values)
        effect.setParameter(index, value);
    if (settings.order)
        effect.setModuleOrder(*settings.order);
}

std::vector<std::uint8_t> readStateFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throwIoError("cannot read '" + path + "': " + std::strerror(errno));
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throwIoError("cannot read '" + path + "'");
    return bytes;
}

} // namespace pomelu::tools
