// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Lv2Host.h"

#include <lv2/ui/ui.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace pomelu::host
{

// A plug-in's X11 UI as an LV2 host shows it, for tests and benchmarks: loaded through lilv from the
// plug-in's bundle, embedded (ui:parent) in a top-level X11 window of this host's own connection,
// ticked only through its ui:idleInterface, with ui:resize and ui:touch offered and urid:map from
// the world. The UI's control port writes land in the instance's port values, its atom messages go
// with the instance's next block, and what the plug-in leaves on its notify port after a block
// reaches the UI as port_event at once; each idle call passes the level outputs on first. Xlib stays inside:
// the header needs no X headers.
//
// Threads: one thread, for every call, the blocks included. Not more than one at a time.
class Lv2UiHost
{
public:
    // What the UI asked of the host, in order.
    struct Call
    {
        enum Kind
        {
            kTouchBegin,
            kWrite,
            kTouchEnd,
            kMessage, // an atom for the plug-in's atom input
        } kind;
        std::uint32_t port;
        float value; // kWrite
    };

    // Opens a parent window of width x height pixels on $DISPLAY and the UI in it; ok() says
    // whether that worked and error() why not.
    Lv2UiHost(Lv2World& world, Lv2Instance& instance, const char* pluginUri, int width = 980,
              int height = 680);
    // The UI's cleanup, then the parent window and the connection.
    ~Lv2UiHost();
    Lv2UiHost(const Lv2UiHost&) = delete;
    Lv2UiHost& operator=(const Lv2UiHost&) = delete;

    bool ok() const { return handle != nullptr; }
    const std::string& error() const { return why; }
    unsigned long parentWindow() const { return parent; }
    // The UI's own window, as its instantiate returned it.
    unsigned long uiWindow() const { return reinterpret_cast<unsigned long>(widget); }

    // One idle call (the host's events first).
    void idle();
    // Idle calls every 16 ms for `duration`.
    void runFor(std::chrono::milliseconds duration);
    // Idle calls until `done` or `timeout`; the last answer of `done`.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // The host changes a control port (automation, a preset, its generic controls): the instance's
    // value, and port_event to the UI.
    void setPort(std::uint32_t port, float value);
    // The host resizes the parent and tells the UI through its ui:resize extension.
    void resize(int width, int height);

    std::vector<Call> calls;
    // The last size the UI asked for through ui:resize (0 before).
    int askedWidth = 0, askedHeight = 0;

    // X protocol errors reported to this process since the first UI host opened.
    static std::size_t xErrorCount();

private:
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t format, const void* buffer);

    Lv2World& world;
    Lv2Instance& instance;
    std::string why;
    void* display = nullptr; // Display*
    unsigned long parent = 0;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    const LV2UI_Resize* uiResize = nullptr;
    LV2UI_Resize hostResize{};
    LV2UI_Touch hostTouch{};
    LV2_Feature parentF{}, resizeF{}, touchF{}, idleF{};
    const LV2_Feature* features[6]{};
    std::uint32_t eventTransfer = 0, notifyPort = 0;
};

} // namespace pomelu::host
