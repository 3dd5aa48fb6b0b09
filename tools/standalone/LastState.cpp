// SPDX-License-Identifier: GPL-3.0-or-later
#include "LastState.h"

#include "AudioFile.h"
#include "Effect.h"
#include "Errors.h"
#include "PluginSettings.h"

#include <cstdlib>
#include <filesystem>

namespace pomelu::tools
{

namespace fs = std::filesystem;

std::string lastStatePath()
{
    fs::path folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && fs::path(config).is_absolute())
        folder = config;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        folder = fs::path(home) / ".config";
    else
        return {};
    return (folder / "pomelu-rarorud-izad" / "standalone.state").string();
}

bool restoreLastState(Effect& effect, const std::string& path, std::ostream& err)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return false;
    const std::string why = loadStateFile(effect, path);
    if (!why.empty())
        err << "pomelu-standalone: " << why << "; starting from the defaults\n";
    return why.empty();
}

std::string loadStateFile(Effect& effect, const std::string& path)
{
    const std::vector<std::uint8_t> before = effect.getState();
    std::string why;
    try
    {
        const std::vector<std::uint8_t> bytes = readStateFile(path);
        if (!bytes.empty() && effect.setState(bytes))
            return {};
        why = "'" + path + "' is not a state this plug-in can load";
    }
    catch (const ToolError& error)
    {
        why = error.what();
    }
    effect.setState(before);
    return why;
}

void saveStateFile(Effect& effect, const std::string& path)
{
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::create_directories(folder, ec) && ec)
        throwIoError("cannot make the folder '" + folder.string() + "': " + ec.message());
    writeBinaryFileAtomically(path, effect.getState());
}

} // namespace pomelu::tools
