// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace iplug
{

// One thread per process that ticks every registered client every 20 ms. It starts with the first
// client and ends by itself once the last one is gone; the module's static destructor joins a thread
// that is still finishing its last pass, so no code of an unloaded module keeps running.
//
// Nothing here ever waits for a tick: a client may be inside a call into a host that holds a lock
// while another of the host's threads removes it.
class IdleThread
{
public:
    // What the thread ticks. Acquire runs under the thread's lock and must not block: it takes a
    // reference that keeps the client alive through the tick, or declines (the client is being
    // destroyed, or something else serves it just now). Tick and Release run without the lock;
    // Release may destroy the client.
    class Client
    {
    public:
        virtual bool AcquireForIdle() = 0;
        virtual void IdleTick() = 0;
        virtual void ReleaseAfterIdle() = 0;

    protected:
        ~Client() = default;
    };

    static constexpr int kPeriodMs = 20;

    // Any thread. Adding twice adds once; removing an absent client does nothing. Remove returns at
    // once: a tick of the client already under way finishes on the idle thread.
    static void Add(Client* client);
    static void Remove(Client* client);
};

} // namespace iplug
