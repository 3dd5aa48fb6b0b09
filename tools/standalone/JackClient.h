// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <memory>
#include <string>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace pomelu::tools
{

class BlockProcessor;

// The plug-in as a JACK client with two audio inputs and two outputs ("in_1", "in_2", "out_1",
// "out_2"). Its process callback hands JACK's buffers to a BlockProcessor with the tempo of a
// rolling JACK transport, when a timebase master tells one; it neither allocates nor locks.
//
// Threads: open, start, stop and the destructor on the UI thread; the callbacks run on JACK's.
class JackClient
{
public:
    // Connects to the running server that $JACK_DEFAULT_SERVER names (the default one without it),
    // never starting one, and registers the four ports. nullptr with the reason in `error` when no
    // server runs or it refuses the client.
    static std::unique_ptr<JackClient> open(const std::string& clientName, std::string& error);
    // stop(), then leaves the server.
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    std::string name() const; // the server may have made the asked-for name unique
    int sampleRate() const;
    int bufferSize() const;

    // Activates the client with `processor`; with connectPhysical, the first physical capture ports
    // feed the inputs (one capture port feeds both) and the outputs go to the first two playback
    // ports. False with the reason in `error` when the server refuses activation; a refused
    // connection is only said on stderr.
    bool start(BlockProcessor& processor, bool connectPhysical, std::string& error);
    void stop();

    // The server shut down or threw the client out; processing has ended.
    bool serverGone() const { return gone.load(std::memory_order_relaxed); }

private:
    JackClient() = default;
    static int processCallback(unsigned frames, void* self) noexcept;
    static void shutdownCallback(void* self) noexcept;
    void connectPhysical();

    jack_client_t* client = nullptr;
    jack_port_t* inputs[2] = {};
    jack_port_t* outputs[2] = {};
    BlockProcessor* processor = nullptr;
    bool active = false;
    std::atomic<bool> gone{false};
};

} // namespace pomelu::tools
