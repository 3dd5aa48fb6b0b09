// SPDX-License-Identifier: GPL-3.0-or-later
// The product's editor layout, which tools install on the plug-in the way the VST 3 module does.
#pragma once

#if __has_include("editor/Editor.h")
#include "editor/Editor.h"
#else
namespace pomelu
{
class PomeluRarorudIzad;
namespace editor
{
void InstallEditor(PomeluRarorudIzad& plugin);
}
} // namespace pomelu
#endif
