// SPDX-License-Identifier: GPL-3.0-or-later
#include "IdleThread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace iplug
{

namespace
{

class Service
{
public:
    ~Service()
    {
        std::unique_lock lock(mutex);
        clients.clear();
        wake.notify_all();
        lock.unlock();
        if (thread.joinable())
            thread.join();
    }

    void add(IdleThread::Client* client)
    {
        std::lock_guard lock(mutex);
        if (std::find(clients.begin(), clients.end(), client) != clients.end())
            return;
        clients.push_back(client);
        if (running)
            return;
        // A thread that ended has left its loop and only returns: joining it is immediate.
        if (thread.joinable())
            thread.join();
        running = true;
        thread = std::thread([this] { run(); });
    }

    void remove(IdleThread::Client* client)
    {
        std::lock_guard lock(mutex);
        clients.erase(std::remove(clients.begin(), clients.end(), client), clients.end());
        if (clients.empty())
            wake.notify_all();
    }

private:
    void run()
    {
        std::vector<IdleThread::Client*> pass;
        std::unique_lock lock(mutex);
        while (!clients.empty())
        {
            wake.wait_for(lock, std::chrono::milliseconds(IdleThread::kPeriodMs),
                          [this] { return clients.empty(); });
            pass.clear();
            for (IdleThread::Client* client : clients)
                if (client->AcquireForIdle())
                    pass.push_back(client);
            lock.unlock();
            for (IdleThread::Client* client : pass)
            {
                client->IdleTick();
                client->ReleaseAfterIdle();
            }
            lock.lock();
        }
        running = false;
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::vector<IdleThread::Client*> clients;
    bool running = false;
    std::thread thread;
};

Service& service()
{
    static Service instance;
    return instance;
}

} // namespace

void IdleThread::Add(Client* client)
{
    if (client != nullptr)
        service().add(client);
}

void IdleThread::Remove(Client* client)
{
    service().remove(client);
}

} // namespace iplug
