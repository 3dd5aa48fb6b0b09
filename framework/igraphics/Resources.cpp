// SPDX-License-Identifier: GPL-3.0-or-later
#include "Resources.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

namespace igraphics
{

namespace fs = std::filesystem;

std::vector<std::string> ResourceSearchPaths()
{
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("POMELU_RESOURCES"); env != nullptr && *env != '\0')
        dirs.emplace_back(env);
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ResourceSearchPaths), &info) != 0 && info.dli_fname != nullptr)
    {
        std::error_code ec;
        const fs::path module = fs::weakly_canonical(fs::path(info.dli_fname), ec);
        if (!ec) // a VST 3 bundle's Contents/Resources, an LV2 bundle's Resources
        {
            dirs.push_back((module.parent_path().parent_path() / "Resources").string());
            dirs.push_back((module.parent_path() / "Resources").string());
            dirs.push_back((module.parent_path().parent_path() / "share" / "pomelu-rarorud-izad").string());
        }
    }
#ifdef POMELU_BUILD_RESOURCES_DIR
    dirs.emplace_back(POMELU_BUILD_RESOURCES_DIR);
#endif
    return dirs;
}

std::string FindResource(const char* name)
{
    if (name == nullptr || *name == '\0')
        return {};
    std::error_code ec;
    const fs::path given(name);
    if ((given.is_absolute() || name[0] == '.') && fs::is_regular_file(given, ec))
        return given.string();
    if (given.is_absolute())
        return {};
    for (const std::string& dir : ResourceSearchPaths())
    {
        const fs::path p = fs::path(dir) / given;
        if (fs::is_regular_file(p, ec))
            return p.string();
    }
    return {};
}

void WarnOnce(const std::string& message)
{
    static std::mutex m;
    static std::set<std::string> seen;
    std::lock_guard lock(m);
    if (seen.insert(message).second)
        std::fprintf(stderr, "pomelu: %s\n", message.c_str());
}

} // namespace igraphics
