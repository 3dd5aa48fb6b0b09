// SPDX-License-Identifier: GPL-3.0-or-later
#include "Snapshot.h"
#include "AudioClip.h"
#include "Errors.h"
#include "IGraphics.h"
#include "IVPeakAvgMeterControl.h"
#include "OffscreenEditor.h"
#include "PomeluEffect.h"
#include "PomeluRarorudIzad.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <utility>

using namespace pomelu::tools;
namespace fs = std::filesystem;

namespace
{
struct SnapshotRun
{
    int status;
    std::string err;
};

SnapshotRun snapshot(const std::vector<std::string>& arguments)
{
    std::ostringstream out, err;
    const int status = runSnapshotTool(arguments, out, err);
    return {status, err.str()};
}

struct TempFolder
{
    fs::path path = fs::temp_directory_path() / ("pomelu-snapshot-test-" + std::to_string(::getpid()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
};
} // namespace

TEST(SnapshotTool, BadArgumentsGiveOneLineTheirStatusAndNoFile)
{
    struct Case
    {
        std::vector<std::string> options;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--theme", "pink"}, kExitUsageError, "--theme 'pink': expected pomelu, dark or cool"},
        {{"--page", "mixer"}, kExitUsageError, "--page 'mixer': expected routing or studio"},
        {{"--studio", "tone", "--page", "routing"}, kExitUsageError, "cannot go with --page routing"},
        {{"--page", "studio", "--module", "Comp"}, kExitUsageError, "cannot go with the studio page"},
        {{"--studio", "creative", "--tab", "1"}, kExitUsageError, "cannot go with the studio page"},
        {{"--module", "Fuzz"}, kExitUsageError, "--module 'Fuzz': unknown module"},
        {{"--module", "comp", "--tab", "2"}, kExitUsageError, "--tab '2': Comp has tabs 0 to 1"},
        {{"--tab", "7"}, kExitUsageError, "--tab '7': Eq has tabs 0 to 6"},
        {{"--module", "REVERB", "--tab", "1"}, kExitUsageError, "Reverb has no tabs (only 0)"},
        {{"--tab", "-1"}, kExitUsageError, "--tab '-1': expected a whole number"},
        {{"--scale", "3.5"}, kExitUsageError, "--scale '3.5': expected a number from 0.34 to 3"},
        {{"--scale"}, kExitUsageError, "--scale needs a value"},
        {{"--scale", "1", "--scale", "2"}, kExitUsageError, "--scale given more than once"},
        {{"--loud"}, kExitUsageError, "unknown option '--loud' (see --help)"},
        {{"--help=yes"}, kExitUsageError, "--help takes no value"},
        {{"--at", "2"}, kExitUsageError, "--at stops the sound of --audio; it needs --audio FILE"},
        {{"--audio", "a.wav", "--at", "-1"}, kExitUsageError, "--at '-1': expected seconds from 0 to 600"},
        {{"extra.png"}, kExitUsageError, "too many files: 'extra.png'"},
        {{"--audio", "/nonexistent/voice.wav"}, kExitIoError, "cannot read '/nonexistent/voice.wav'"},
        {{"--state", "/nonexistent/a.state"}, kExitIoError, "cannot read '/nonexistent/a.state'"},
    };
    TempFolder folder;
    const std::string png = (folder.path / "out.png").string();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.message);
        std::vector<std::string> arguments{png};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const SnapshotRun run = snapshot(arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.err.rfind("pomelu-snapshot: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(fs::is_empty(folder.path));
    }
    EXPECT_EQ(snapshot({}).err, "pomelu-snapshot: missing the OUT.png file (see --help)\n");

    // What stands at OUT and cannot take the picture stays as it was: a read-only file of another
    // owner, a directory; a missing folder is no place for it.
    const fs::path keep = folder.path / "keep.png", directory = folder.path / "emptydir";
    std::ofstream(keep) << "someone's picture";
    fs::permissions(keep, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (::geteuid() == 0)
    {
        ASSERT_EQ(::chown(keep.c_str(), 65534, 65534), 0);
    }
    fs::create_directory(directory);
    for (const auto& [out, message] : {std::pair{keep, "': the file is read-only; it stays as it is"},
                                       std::pair{directory, "': it is a directory"},
                                       std::pair{folder.path / "no-such-folder" / "out.png", ""}})
    {
        const SnapshotRun run = snapshot({out.string()});
        EXPECT_EQ(run.status, kExitIoError);
        EXPECT_NE(run.err.find(message[0] ? "cannot write '" + out.string() + message : "cannot write"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_TRUE(fs::is_directory(directory) && fs::is_empty(directory));
    std::string text;
    std::getline(std::ifstream(keep), text);
    EXPECT_EQ(text, "someone's picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 2);
}

// Without any X connection: no DISPLAY at all.
TEST(SnapshotTool, WritesThePageAtTheAskedScaleWithoutADisplay)
{
    ::unsetenv("DISPLAY");
    const struct
    {
        std::vector<std::string> options;
        int width, height;
    } cases[] = {
        {{}, 980, 680},
        {{"--scale", "2", "--theme", "dark", "--page", "studio", "--studio", "creative"}, 1960, 1360},
        {{"--scale=0.5", "--module", "Delay", "--tab", "2", "--preset", "podcast"}, 490, 340},
    };
    TempFolder folder;
    for (const auto& c : cases)
    {
        const std::string png = (folder.path / "page.png").string();
        std::vector<std::string> arguments{png};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const SnapshotRun run = snapshot(arguments);
        ASSERT_EQ(run.status, kExitOk) << run.err;
        cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
        ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(image), c.width);
        EXPECT_EQ(cairo_image_surface_get_height(image), c.height);
        cairo_surface_destroy(image);
    }
}

// The displays follow the sound to its end: the senders' queues hold well under a second, so a
// tool that only drained them after the file would show its start.
TEST(SnapshotTool, PlayedAudioReachesTheDisplaysAsItEnds)
{
    const struct
    {
        double loudFrom, loudTo; // seconds of a 0 dBFS sine in 3 s of silence
        std::optional<double> stopAt;
        bool loudAtEnd;
    } cases[] = {{0.0, 1.0, {}, false}, {2.0, 3.0, {}, true}, {0.0, 1.0, 0.8, true}, {2.0, 3.0, 1.9, false}};
    for (const auto& c : cases)
    {
        AudioClip clip;
        clip.sampleRate = 48000;
        clip.fileChannels = 1;
        for (int i = 0; i < 3 * clip.sampleRate; ++i)
        {
            const double t = static_cast<double>(i) / clip.sampleRate;
            const float v =
                t >= c.loudFrom && t < c.loudTo ? static_cast<float>(std::sin(2 * M_PI * 440 * t)) : 0;
            clip.channels[0].push_back(v);
            clip.channels[1].push_back(v);
        }
        PomeluEffect effect("test");
        igraphics::IVPeakAvgMeterControl* meter = nullptr;
        effect.plugin().SetLayoutFunc(
            [&](iplug::IEditorView& view)
            {
                auto* g = igraphics::IGraphics::From(view);
                meter = new igraphics::IVPeakAvgMeterControl({900, 200, 960, 360}, "OUT");
                g->AttachControl(meter, pomelu::kCtrlTagMeter);
            });
        OffscreenEditor editor(effect.plugin(), 1.0f);
        playThrough(effect, editor, clip, c.stopAt);
        ASSERT_NE(meter, nullptr);
        EXPECT_EQ(meter->GetPeak(0) > 0.5f, c.loudAtEnd) << meter->GetPeak(0);
        EXPECT_EQ(effect.plugin().outputPeak() > -20.0, c.loudAtEnd);
    }
}
