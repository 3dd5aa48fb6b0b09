// SPDX-License-Identifier: GPL-3.0-or-later
// The Debian package as a user gets it: built by cpack from this build tree, unpacked with
// dpkg-deb -x into a scratch root and run from there, with the checks a packager runs on it.
#include "Command.h"
#include "PluginInstance.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using pomelu::test::commandOutput;
using pomelu::test::shellQuoted;

namespace
{

const std::string kDoc = "usr/share/doc/pomelu-rarorud-izad/";
const std::string kData = "usr/share/pomelu-rarorud-izad/";
const std::string kVst3Binary =
    "usr/lib/vst3/Pomelu Rarorud Izad.vst3/Contents/x86_64-linux/Pomelu Rarorud Izad.so";
const std::vector<std::string> kTools = {"pomelu-render", "pomelu-snapshot", "pomelu-standalone"};

// Every file the package holds (folders aside).
std::set<std::string> expectedFiles()
{
    std::set<std::string> files = {
        kVst3Binary,
        "usr/lib/vst3/Pomelu Rarorud Izad.vst3/Contents/Resources/pomelu-rec-logo.png",
        "usr/share/applications/pomelu-standalone.desktop",
        kDoc + "README.md",
        kDoc + "LICENSE",
        kDoc + "copyright",
        kDoc + "changelog.gz",
        kData + "pomelu-rec-logo.png",
        kData + "voice.wav",
    };
    for (const std::string& font : {"Roboto-Regular.ttf", "NotoSansJP.ttf", "MPLUSRounded1c-Bold.ttf"})
    {
        files.insert("usr/lib/vst3/Pomelu Rarorud Izad.vst3/Contents/Resources/" + font);
        files.insert("usr/lib/lv2/pomelu-rarorud-izad.lv2/Resources/" + font);
        files.insert(kData + font);
    }
    const std::string lv2 = "usr/lib/lv2/pomelu-rarorud-izad.lv2/";
    for (const std::string& file :
         {"pomelu-rarorud-izad.so", "pomelu-rarorud-izad-ui.so", "manifest.ttl", "pomelu-rarorud-izad.ttl",
          "preset-natural.ttl", "preset-singing.ttl", "preset-narration.ttl", "preset-podcast.ttl",
          "preset-gentle.ttl", "Resources/pomelu-rec-logo.png"})
        files.insert(lv2 + file);
    for (const std::string& tool : kTools)
    {
        files.insert("usr/bin/" + tool);
        files.insert("usr/share/man/man1/" + tool + ".1.gz");
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        files.insert("usr/share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                     "/apps/pomelu-rarorud-izad.png");
    return files;
}

class Package : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (const char* tool :
             {"dpkg-deb", "dpkg-shlibdeps", "lintian", "desktop-file-validate", "man", "lv2ls"})
            if (commandOutput(std::string("command -v ") + tool).empty())
                missing += std::string(missing.empty() ? "" : ", ") + tool;
        if (!missing.empty())
            return;
        scratch = fs::temp_directory_path() / ("pomelu-package-test-" + std::to_string(::getpid()));
        fs::create_directories(scratch / "root");
        int status = -1;
        buildLog =
            commandOutput("cpack -G DEB --config " + shellQuoted(POMELU_BINARY_DIR "/CPackConfig.cmake") +
                              " -B " + shellQuoted((scratch / "out").string()) + " 2>&1",
                          &status);
        deb = scratch / "out" / ("pomelu-rarorud-izad_" POMELU_VERSION "_amd64.deb");
        if (status == 0 && fs::is_regular_file(deb))
            commandOutput("dpkg-deb -x " + shellQuoted(deb.string()) + " " + shellQuoted(root().string()));
    }
    static void TearDownTestSuite()
    {
        if (!scratch.empty())
            fs::remove_all(scratch);
    }
    void SetUp() override
    {
        if (!missing.empty())
            GTEST_SKIP() << "missing " << missing << " (scripts/setup.sh installs them)";
        ASSERT_TRUE(fs::is_regular_file(deb)) << buildLog;
    }
    static fs::path root() { return scratch / "root"; }
    static std::string rootFile(const std::string& path) { return shellQuoted((root() / path).string()); }

    static inline std::string missing, buildLog;
    static inline fs::path scratch, deb;
};

TEST_F(Package, HoldsExactlyTheProductWithDependenciesFromWhatItLinks)
{
    std::set<std::string> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root()))
        if (!e.is_directory())
            files.insert(fs::relative(e.path(), root()).string());
    EXPECT_EQ(files, expectedFiles());

    const std::string depends = commandOutput("dpkg-deb -f " + shellQuoted(deb.string()) + " Depends");
    for (const char* library : {"libc6", "libstdc++6", "libcairo2", "libfreetype6", "libfftw3", "libx11-6",
                                "libsndfile1", "libjack"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in: " << depends;
    EXPECT_EQ(commandOutput("dpkg-deb -f " + shellQuoted(deb.string()) + " Package Architecture"),
              "Package: pomelu-rarorud-izad\nArchitecture: amd64\n");
}

// Without a prefix the same files go to the user's folders: bundles into ~/.<kind> (~/.vst3), the rest
// from /usr into ~/.local. Staged with DESTDIR, so nothing of the user's is touched.
TEST_F(Package, APerUserInstallPutsTheSameFilesIntoTheUserFolders)
{
    const fs::path prefix = POMELU_USER_PREFIX, home = prefix.parent_path();
    const fs::path stage = scratch / "user";
    int status = -1;
    const std::string log = commandOutput("DESTDIR=" + shellQuoted(stage.string()) + " cmake --install " +
                                              shellQuoted(POMELU_BINARY_DIR) + " --prefix " +
                                              shellQuoted(prefix.string()) + " 2>&1",
                                          &status);
    ASSERT_EQ(status, 0) << log;
    std::set<std::string> expected, installed;
    for (const std::string& file : expectedFiles())
        if (file.rfind("usr/lib/", 0) == 0)
            expected.insert((home / ("." + file.substr(8))).relative_path().string());
        else
            expected.insert((prefix / file.substr(4)).relative_path().string());
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(stage))
        if (!e.is_directory())
            installed.insert(fs::relative(e.path(), stage).string());
    EXPECT_EQ(installed, expected);
}

TEST_F(Package, TheUnpackedLv2BundleIsFoundThroughLv2Path)
{
    const std::string listed =
        commandOutput("LV2_PATH=" + rootFile("usr/lib/lv2") + " lv2ls 2>&1 | grep pomelu.example");
    EXPECT_EQ(listed, "https://pomelu.example/lv2/rarorud-izad/mono\n"
                      "https://pomelu.example/lv2/rarorud-izad/stereo\n");
}

TEST_F(Package, TheUnpackedVst3BundleLoadsInAHostAndRenders)
{
    pomelu::host::PluginInstance host;
    ASSERT_TRUE(host.open((root() / "usr/lib/vst3/Pomelu Rarorud Izad.vst3").string())) << host.lastError();
    ASSERT_TRUE(host.setup(48000, 512)) << host.lastError();
    std::vector<double> in = pomelu::test::sine(440.0, 48000, 512, 0.5), out[2];
    double* inputs[2] = {in.data(), in.data()};
    double peak = 0.0;
    for (int block = 0; block < 20; ++block)
    {
        out[0].assign(512, NAN);
        out[1].assign(512, NAN);
        double* outputs[2] = {out[0].data(), out[1].data()};
        ASSERT_EQ(host.process64(inputs, outputs, 2, 2, 512), Steinberg::kResultOk);
        for (const std::vector<double>& channel : out)
            for (const double v : channel)
                ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, pomelu::test::peakAbs(out[0].data(), 512));
    }
    EXPECT_GT(peak, 0.05);
    host.releaseInstance();
}

TEST_F(Package, EveryToolRunsFromTheRootAndItsManualPageRendersCleanly)
{
    for (const std::string& tool : kTools)
    {
        SCOPED_TRACE(tool);
        int status = -1;
        const std::string version = commandOutput(rootFile("usr/bin/" + tool) + " --version", &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(version.substr(0, version.find('\n')), tool + " (Pomelu Rarorud Izad) " POMELU_VERSION);
        const std::string help = commandOutput(rootFile("usr/bin/" + tool) + " --help", &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(help.rfind("Usage: " + tool, 0), 0u) << help;

        // groff's warnings go to stderr; the page itself must hold the options --help lists.
        const std::string page = rootFile("usr/share/man/man1/" + tool + ".1.gz");
        EXPECT_EQ(commandOutput("MANWIDTH=80 man --warnings -l " + page + " 2>&1 >/dev/null", &status), "");
        EXPECT_EQ(status, 0);
        const std::string text = commandOutput("MANWIDTH=80 man -l " + page + " 2>/dev/null | col -b");
        for (const char* option : {"--help", "--version", "--preset"})
            EXPECT_NE(text.find(option), std::string::npos) << option;
    }
    // The installed snapshot tool finds its typefaces and the example voice in <prefix>/share.
    int status = -1;
    const std::string png = (scratch / "editor.png").string();
    const std::string err =
        commandOutput("env -u POMELU_RESOURCES DISPLAY= " + rootFile("usr/bin/pomelu-snapshot") + " " +
                          shellQuoted(png) + " --audio " + rootFile(kData + "voice.wav") + " --at 1 2>&1",
                      &status);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_TRUE(fs::is_regular_file(png));
}

TEST_F(Package, DesktopEntryAndPackageAreValid)
{
    int status = -1;
    EXPECT_EQ(commandOutput("desktop-file-validate " +
                                rootFile("usr/share/applications/pomelu-standalone.desktop") + " 2>&1",
                            &status),
              "");
    EXPECT_EQ(status, 0);
    const std::string report =
        commandOutput("lintian --no-tag-display-limit " + shellQuoted(deb.string()) + " 2>&1", &status);
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        EXPECT_NE(line.rfind("E: ", 0), 0u) << line;
    EXPECT_EQ(status, 0) << report;
}

} // namespace
