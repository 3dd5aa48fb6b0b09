// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PluginSettings.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace pomelu::tools
{

// The pomelu-standalone command line.
struct StandaloneOptions
{
    std::optional<std::string> filePath;      // play this file instead of JACK
    std::optional<std::string> saveStatePath; // also write the state here at the end
    PluginSettings plugin;
    bool connect = true; // JACK: connect to the physical capture and playback ports
    bool help = false;
    bool version = false;
};

// Throws ToolError (usage) with a one-line message for anything malformed.
StandaloneOptions parseStandaloneArguments(const std::vector<std::string>& arguments);
const char* standaloneUsage();

// The example voice: examples/voice.wav beside the program (or in an examples folder there), in
// an installed program's data (<prefix>/share/pomelu-rarorud-izad), else in the source tree the
// program was built from. Empty when none exists.
std::string findExampleVoice();

// The whole of pomelu-standalone without argv[0]: the plug-in's editor in a top-level window on
// $DISPLAY, audio from the JACK server or a file looped at real-time pace, until the window is
// closed or SIGINT / SIGTERM arrives. Returns the exit status (0, 1 file or system error, 2
// command-line error); what it does and errors go to err, one line each, "pomelu-standalone: ...".
// Blocks SIGINT and SIGTERM in the calling thread (threads it starts inherit that) and takes them
// through a signalfd on the editor's run loop.
int runStandalone(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace pomelu::tools
