// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EditorNavigation.h"
#include "PluginSettings.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace pomelu::tools
{

struct AudioClip;
class OffscreenEditor;
class PomeluEffect;

// The pomelu-snapshot command line.
struct SnapshotOptions
{
    std::string outputPath;
    std::optional<int> theme;    // "Theme" value: 0 pomelu, 1 dark, 2 cool
    EditorNavigation navigation; // page, studio half, detail card module and tab
    float scale = 1.0f;
    PluginSettings plugin;
    std::optional<std::string> audioPath;
    std::optional<double> atSeconds; // stop the audio here
    bool help = false;
    bool version = false;
};

// Throws ToolError (usage) with a one-line message for anything malformed or contradictory (a
// studio half with the routing page, a module or tab with the studio page, a tab the module's
// detail card does not have, a scale outside the editor's size limits).
SnapshotOptions parseSnapshotArguments(const std::vector<std::string>& arguments);
const char* snapshotUsage();

// Plays the clip to the plug-in block by block as a host does, 512 frames at a time, ticking the
// editor every 20 ms of audio as the host's timer would, so the displays follow the sound (their
// queues hold about a second: ticking only at the end would show the file's start); the last half
// second is drawn frame by frame, and a few ticks after the end drain what is queued. With
// stopSeconds the clip ends there, so the displays show that moment.
void playThrough(PomeluEffect& effect, OffscreenEditor& editor, const AudioClip& clip,
                 std::optional<double> stopSeconds = std::nullopt);

// The whole of pomelu-snapshot without argv[0]; returns the exit status (0, 1 file error, 2
// command-line error). Errors are one line on err, "pomelu-snapshot: ...".
int runSnapshotTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace pomelu::tools
