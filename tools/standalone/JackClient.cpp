// SPDX-License-Identifier: GPL-3.0-or-later
#include "JackClient.h"

#include "BlockProcessor.h"

#include <jack/jack.h>
#include <jack/transport.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace pomelu::tools
{

std::unique_ptr<JackClient> JackClient::open(const std::string& clientName, std::string& error)
{
    // libjack prints its own complaints when no server runs; the caller says what that means.
    jack_set_error_function([](const char*) {});
    jack_status_t status{};
    jack_client_t* c = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    jack_set_error_function(nullptr);
    if (c == nullptr)
    {
        error = (status & JackServerFailed) != 0 ? "no JACK server is running"
                                                 : "the JACK server refused the client (status " +
                                                       std::to_string(static_cast<int>(status)) + ")";
        return nullptr;
    }
    std::unique_ptr<JackClient> jack(new JackClient);
    jack->client = c;
    const char* names[2][2] = {{"in_1", "in_2"}, {"out_1", "out_2"}};
    for (int ch = 0; ch < 2; ++ch)
    {
        jack->inputs[ch] = jack_port_register(c, names[0][ch], JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack->outputs[ch] = jack_port_register(c, names[1][ch], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (jack->inputs[ch] == nullptr || jack->outputs[ch] == nullptr)
        {
            error = "the JACK server refused the client's ports";
            return nullptr;
        }
    }
    return jack;
}

JackClient::~JackClient()
{
    stop();
    jack_client_close(client);
}

std::string JackClient::name() const
{
    return jack_get_client_name(client);
}

int JackClient::sampleRate() const
{
    return static_cast<int>(jack_get_sample_rate(client));
}

int JackClient::bufferSize() const
{
    return static_cast<int>(jack_get_buffer_size(client));
}

bool JackClient::start(BlockProcessor& blockProcessor, bool connect, std::string& error)
{
    processor = &blockProcessor;
    jack_set_process_callback(client, &JackClient::processCallback, this);
    jack_on_shutdown(client, &JackClient::shutdownCallback, this);
    if (jack_activate(client) != 0)
    {
        error = "the JACK server refused to activate the client";
        return false;
    }
    active = true;
    if (connect)
        connectPhysical();
    return true;
}

void JackClient::stop()
{
    if (active && !gone.load())
        jack_deactivate(client);
    active = false;
}

namespace
{
// Names of the physical ports with these flags (JackPortIsOutput: capture, JackPortIsInput: playback).
std::vector<std::string> physicalPorts(jack_client_t* client, unsigned long flags)
{
    std::vector<std::string> names;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | flags);
    for (const char** p = ports; p != nullptr && *p != nullptr; ++p)
        names.emplace_back(*p);
    jack_free(ports);
    return names;
}

void connectOrSay(jack_client_t* client, const std::string& from, const std::string& to)
{
    const int result = jack_connect(client, from.c_str(), to.c_str());
    if (result != 0 && result != EEXIST)
        std::fprintf(stderr, "pomelu-standalone: cannot connect %s to %s\n", from.c_str(), to.c_str());
}
} // namespace

void JackClient::connectPhysical()
{
    const std::vector<std::string> capture = physicalPorts(client, JackPortIsOutput);
    const std::vector<std::string> playback = physicalPorts(client, JackPortIsInput);
    for (std::size_t ch = 0; ch < 2; ++ch)
    {
        // A single capture port (a mono microphone) feeds both inputs.
        if (!capture.empty())
            connectOrSay(client, capture[std::min(ch, capture.size() - 1)], jack_port_name(inputs[ch]));
        if (ch < playback.size())
            connectOrSay(client, jack_port_name(outputs[ch]), playback[ch]);
    }
}

int JackClient::processCallback(unsigned frames, void* arg) noexcept
{
    auto* self = static_cast<JackClient*>(arg);
    float* in[2];
    float* out[2];
    for (int ch = 0; ch < 2; ++ch)
    {
        in[ch] = static_cast<float*>(jack_port_get_buffer(self->inputs[ch], frames));
        out[ch] = static_cast<float*>(jack_port_get_buffer(self->outputs[ch], frames));
    }
    jack_position_t position;
    const bool rolling = jack_transport_query(self->client, &position) == JackTransportRolling;
    const double tempo = rolling && (position.valid & JackPositionBBT) != 0 ? position.beats_per_minute : 0.0;
    self->processor->process(in, out, static_cast<int>(frames), tempo);
    return 0;
}

void JackClient::shutdownCallback(void* arg) noexcept
{
    static_cast<JackClient*>(arg)->gone.store(true);
}

} // namespace pomelu::tools
