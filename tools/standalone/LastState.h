// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

namespace pomelu::tools
{

class Effect;

// Where the standalone keeps its last state (the whole plug-in state: parameters, module order and
// both compare slots): $XDG_CONFIG_HOME/pomelu-rarorud-izad/standalone.state, with ~/.config for an
// unset or relative XDG_CONFIG_HOME. Empty when neither gives a folder.
std::string lastStatePath();

// Loads the state file at path into the effect. A missing file is the first run: false, nothing said.
// An unreadable file or one the plug-in refuses: one line on err, the effect back at what it held
// before, false. UI thread, before audio starts.
bool restoreLastState(Effect& effect, const std::string& path, std::ostream& err);

// Loads the state file at path into the effect: empty on success, else a one-line reason (the file
// cannot be read, or the plug-in refuses it) with the effect back at what it held before. UI thread.
std::string loadStateFile(Effect& effect, const std::string& path);

// Writes the effect's state to path through a temporary file beside it and a rename, so the file is
// whole or untouched; makes the folder. Throws ToolError (I/O) naming the file.
void saveStateFile(Effect& effect, const std::string& path);

} // namespace pomelu::tools
