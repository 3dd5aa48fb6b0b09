// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Effect.h"
#include "PluginInstance.h"

#include <memory>
#include <string>

namespace pomelu
{
class PomeluRarorudIzad;
}

namespace pomelu::tools
{

// A new PomeluRarorudIzad driven through its VST 3 interfaces by the project's host
// (pomelu::host::PluginInstance) as an offline host drives it: initialize, component state through
// a memory stream, bus arrangement, setupProcessing with 64-bit samples in offline mode, setActive,
// setProcessing, process with a playing transport at the given tempo.
// Parameters are written as plain values straight into the plug-in's parameter objects (as its own
// editor does), so a value given on the command line arrives exactly, without a trip through the
// host's normalised range. No idle thread runs: a tool that opens the editor ticks it itself (or
// the editor's run loop does).
class PomeluEffect final : public Effect
{
public:
    // hostName: what the plug-in is told its host is called. Throws ToolError (I/O) when the plug-in
    // refuses to initialise.
    explicit PomeluEffect(const std::string& hostName = "pomelu-render");

    std::vector<ParameterDescription> parameters() const override;
    double parameterValue(int index) const override;
    void setParameter(int index, double plain) override;
    std::vector<std::string> presetNames() const override;
    void restorePreset(int index) override;
    std::vector<std::uint8_t> getState() override;
    bool setState(const std::vector<std::uint8_t>& bytes) override;
    void setModuleOrder(const dsp::ModuleOrder& order) override;
    void startProcessing(double sampleRate, int channels, int maxBlockSize, double tempoBpm) override;
    void process(const double* const* inputs, double* const* outputs, int frames,
                 std::int64_t positionFrames) override;
    void stopProcessing() override;

    // The plug-in object itself (editor hooks, navigation state), and the host that drives it (for
    // other processing set-ups and the editor view). Both live as long as this object.
    PomeluRarorudIzad& plugin() { return *plug; }
    host::PluginInstance& instance() { return hostInstance; }

private:
    host::PluginInstance hostInstance;
    PomeluRarorudIzad* plug; // kept alive by the instance's references
    int channelCount = 0;
    double tempo = 120.0;
};

std::unique_ptr<Effect> makePomeluEffect();

} // namespace pomelu::tools
