// SPDX-License-Identifier: GPL-3.0-or-later
// Where the editor's resource files (fonts, logo) are found at run time.
#pragma once

#include <string>
#include <vector>

namespace igraphics
{

// Folders searched for a resource name, in order:
//  1. $POMELU_RESOURCES, when set;
//  2. "<folder of the module holding this code>/../Resources": the bundle's Contents/Resources when
//     the framework is linked into the VST 3 module;
//  3. "<folder of the module>/../share/pomelu-rarorud-izad": an installed program's data
//     (<prefix>/bin beside <prefix>/share);
//  4. the build tree's resources folder compiled in (POMELU_BUILD_RESOURCES_DIR), for tools and
//     tests that link the libraries statically.
std::vector<std::string> ResourceSearchPaths();

// The full path of an existing file: an absolute or ./-relative path as given, else the first
// search folder holding the name. Empty when none exists.
std::string FindResource(const char* name);

// Prints "pomelu: <message>" on stderr the first time a given message is seen in this process;
// later calls with the same text stay silent (missing fonts and images are reported once).
void WarnOnce(const std::string& message);

} // namespace igraphics
