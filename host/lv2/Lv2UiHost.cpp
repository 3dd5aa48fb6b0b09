// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2UiHost.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lilv/lilv.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace pomelu::host
{

namespace
{

std::atomic<std::size_t> gXErrors{0};

int countError(Display* dpy, XErrorEvent* e)
{
    char text[256] = {};
    XGetErrorText(dpy, e->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d)\n", text, e->request_code);
    ++gXErrors;
    return 0;
}

} // namespace

std::size_t Lv2UiHost::xErrorCount()
{
    return gXErrors.load();
}

Lv2UiHost::Lv2UiHost(Lv2World& w, Lv2Instance& inst, const char* pluginUri, int width, int height)
    : world(w), instance(inst)
{
    static const bool handlerSet = (XSetErrorHandler(countError), true);
    (void)handlerSet;
    eventTransfer = world.map(LV2_ATOM__eventTransfer);
    notifyPort = instance.portIndex("notify");

    // The plug-in's X11 UI and its binary, as lilv finds them.
    const LilvPlugin* plugin = world.plugin(pluginUri);
    if (plugin == nullptr)
    {
        why = "no plug-in " + std::string(pluginUri);
        return;
    }
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    LilvNode* x11 = lilv_new_uri(world.world(), LV2_UI__X11UI);
    std::string binary, uri;
    LILV_FOREACH(uis, i, uis)
    {
        const LilvUI* ui = lilv_uis_get(uis, i);
        if (!lilv_ui_is_a(ui, x11))
            continue;
        char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        binary = path != nullptr ? path : "";
        lilv_free(path);
        uri = lilv_node_as_uri(lilv_ui_get_uri(ui));
    }
    lilv_node_free(x11);
    lilv_uis_free(uis);
    if (binary.empty())
    {
        why = "the plug-in names no X11 UI";
        return;
    }
    library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry = library != nullptr
                     ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
                     : nullptr;
    for (std::uint32_t i = 0; entry != nullptr && (descriptor = entry(i)) != nullptr; ++i)
        if (uri == descriptor->URI)
            break;
    if (descriptor == nullptr)
    {
        why = "cannot load " + binary + (library == nullptr ? std::string(": ") + dlerror() : "");
        return;
    }

    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr)
    {
        why = "no X display";
        return;
    }
    display = dpy;
    parent = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(dpy, parent);
    XSync(dpy, False);

    hostResize = {this, [](LV2UI_Feature_Handle h, int width, int height)
                  {
                      auto* me = static_cast<Lv2UiHost*>(h);
                      me->askedWidth = width;
                      me->askedHeight = height;
                      XResizeWindow(static_cast<Display*>(me->display), me->parent,
                                    static_cast<unsigned>(width), static_cast<unsigned>(height));
                      XFlush(static_cast<Display*>(me->display));
                      return 0;
                  }};
    hostTouch = {this, [](LV2UI_Feature_Handle h, std::uint32_t port, bool grabbed)
                 {
                     static_cast<Lv2UiHost*>(h)->calls.push_back(
                         {grabbed ? Call::kTouchBegin : Call::kTouchEnd, port, 0.0f});
                 }};
    parentF = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
    resizeF = {LV2_UI__resize, &hostResize};
    touchF = {LV2_UI__touch, &hostTouch};
    idleF = {LV2_UI__idleInterface, nullptr};
    const LV2_Feature* base = world.features()[0]; // urid:map
    features[0] = base;
    features[1] = &parentF;
    features[2] = &resizeF;
    features[3] = &touchF;
    features[4] = &idleF;
    features[5] = nullptr;

    char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_bundle_uri(plugin)), nullptr);
    handle =
        descriptor->instantiate(descriptor, pluginUri, bundle, &Lv2UiHost::write, this, &widget, features);
    lilv_free(bundle);
    if (handle == nullptr)
    {
        why = "the UI did not instantiate";
        return;
    }
    if (descriptor->extension_data != nullptr)
    {
        idleInterface =
            static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        uiResize = static_cast<const LV2UI_Resize*>(descriptor->extension_data(LV2_UI__resize));
    }
    instance.onNotify = [this](const LV2_Atom& event)
    {
        if (handle != nullptr)
            descriptor->port_event(handle, notifyPort, sizeof(LV2_Atom) + event.size, eventTransfer, &event);
    };
}

Lv2UiHost::~Lv2UiHost()
{
    instance.onNotify = nullptr;
    if (handle != nullptr)
        descriptor->cleanup(handle);
    if (library != nullptr)
        dlclose(library);
    if (display != nullptr)
    {
        auto* dpy = static_cast<Display*>(display);
        XDestroyWindow(dpy, parent);
        XSync(dpy, False);
        XCloseDisplay(dpy);
    }
}

void Lv2UiHost::write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t format, const void* buffer)
{
    auto* me = static_cast<Lv2UiHost*>(controller);
    if (format == 0 && size == sizeof(float))
    {
        const float v = *static_cast<const float*>(buffer);
        me->instance.port(port) = v;
        me->calls.push_back({Call::kWrite, port, v});
    }
    else if (format == me->eventTransfer)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        me->instance.pendingEvents.emplace_back(bytes, bytes + size);
        me->calls.push_back({Call::kMessage, port, 0.0f});
    }
}

void Lv2UiHost::idle()
{
    if (display != nullptr)
    {
        auto* dpy = static_cast<Display*>(display);
        for (XEvent e; XPending(dpy) > 0;)
            XNextEvent(dpy, &e);
    }
    if (handle == nullptr)
        return;
    // The plug-in's level outputs, as hosts pass output ports on at their update rate.
    for (const char* symbol : {"input_peak", "output_peak", "gain_reduction"})
        if (const std::uint32_t port = instance.portIndex(symbol); port != UINT32_MAX)
            descriptor->port_event(handle, port, sizeof(float), 0, &instance.port(port));
    if (idleInterface != nullptr)
        idleInterface->idle(handle);
}

void Lv2UiHost::runFor(std::chrono::milliseconds duration)
{
    runUntil([] { return false; }, duration);
}

bool Lv2UiHost::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (true)
    {
        idle();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
}

void Lv2UiHost::setPort(std::uint32_t port, float value)
{
    instance.port(port) = value;
    if (handle != nullptr)
        descriptor->port_event(handle, port, sizeof value, 0, &value);
}

void Lv2UiHost::resize(int width, int height)
{
    if (display == nullptr)
        return;
    XResizeWindow(static_cast<Display*>(display), parent, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XFlush(static_cast<Display*>(display));
    if (handle != nullptr && uiResize != nullptr)
        uiResize->ui_resize(handle, width, height);
}

} // namespace pomelu::host
