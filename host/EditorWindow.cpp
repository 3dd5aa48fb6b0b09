// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorWindow.h"

#include "HostObject.h"
#include "RunLoop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

namespace pomelu::host
{

namespace
{

std::atomic<std::size_t> errorCount{0};

int countXError(Display* display, XErrorEvent* event)
{
    errorCount.fetch_add(1, std::memory_order_relaxed);
    char text[256] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d.%d, resource 0x%lx)\n", text, event->request_code,
                 event->minor_code, event->resourceid);
    return 0;
}

void installErrorHandler()
{
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(countXError); });
}

} // namespace

// The connection and its registration with the run loop.
struct EditorWindow::Connection final : public HostObject<Steinberg::Linux::IEventHandler>
{
    explicit Connection(Display* d) : display(d) {}
    ~Connection() { XCloseDisplay(display); }
    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor) override
    {
        if (owner != nullptr)
            owner->processEvents();
    }

    Display* display;
    EditorWindow* owner = nullptr;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
};

std::unique_ptr<EditorWindow> EditorWindow::open(RunLoop& loop, int width, int height,
                                                 const std::string& title, std::string& error,
                                                 const char* displayName, unsigned long embedIn)
{
    installErrorHandler();
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr)
    {
        const char* name = displayName != nullptr ? displayName : XDisplayName(nullptr);
        error = std::string("cannot open the X display \"") + (name != nullptr ? name : "") + "\"";
        return nullptr;
    }
    auto connection = std::make_unique<Connection>(display);
    std::unique_ptr<EditorWindow> w(new EditorWindow(loop, std::move(connection)));

    w->currentWidth = std::max(width, 1);
    w->currentHeight = std::max(height, 1);
    const int screen = DefaultScreen(display);
    w->window =
        XCreateSimpleWindow(display, embedIn != 0 ? embedIn : RootWindow(display, screen), 0, 0,
                            static_cast<unsigned>(w->currentWidth), static_cast<unsigned>(w->currentHeight),
                            0, BlackPixel(display, screen), BlackPixel(display, screen));
    XSelectInput(display, w->window, StructureNotifyMask);
    Connection& c = *w->connection;
    c.wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    c.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, w->window, &c.wmDeleteWindow, 1);
    w->setTitle(title);
    XMapWindow(display, w->window);
    XSync(display, False);
    c.owner = w.get();
    loop.registerEventHandler(&c, ConnectionNumber(display));
    w->processEvents(); // XSync may have queued events that the descriptor no longer announces
    return w;
}

EditorWindow::EditorWindow(RunLoop& l, std::unique_ptr<Connection> c) : loop(l), connection(std::move(c)) {}

EditorWindow::~EditorWindow()
{
    loop.unregisterEventHandler(connection.get());
    connection->owner = nullptr;
    destroy();
}

void EditorWindow::destroy()
{
    if (destroyed)
        return;
    destroyed = true;
    XDestroyWindow(connection->display, window);
    XSync(connection->display, False);
}

void EditorWindow::setTitle(const std::string& title)
{
    Display* display = connection->display;
    XStoreName(display, window, title.c_str());
    // UTF-8 for window managers that read _NET_WM_NAME; WM_NAME above is Latin-1 by definition.
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XFlush(display);
}

void EditorWindow::resize(int newWidth, int newHeight)
{
    newWidth = std::max(newWidth, 1);
    newHeight = std::max(newHeight, 1);
    if (newWidth == currentWidth && newHeight == currentHeight)
        return; // the server would send no notification to wait for
    currentWidth = newWidth;
    currentHeight = newHeight;
    pendingSizes.emplace_back(newWidth, newHeight);
    XResizeWindow(connection->display, window, static_cast<unsigned>(currentWidth),
                  static_cast<unsigned>(currentHeight));
    XFlush(connection->display);
}

void EditorWindow::configured(int newWidth, int newHeight)
{
    // The notifications of our own resizes arrive in order, maybe after a later resize() was
    // asked for: they are not news. A size nobody here asked for is, and it also tells that the
    // window manager changed or dropped whatever requests are still outstanding.
    const auto own = std::find(pendingSizes.begin(), pendingSizes.end(), std::pair{newWidth, newHeight});
    if (own != pendingSizes.end())
    {
        pendingSizes.erase(pendingSizes.begin(), own + 1);
        return;
    }
    pendingSizes.clear();
    if (newWidth == currentWidth && newHeight == currentHeight)
        return;
    currentWidth = newWidth;
    currentHeight = newHeight;
    if (onResized)
        onResized(currentWidth, currentHeight);
}

void EditorWindow::processEvents()
{
    Display* display = connection->display;
    while (XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window != window)
            continue;
        if (event.type == ClientMessage && event.xclient.message_type == connection->wmProtocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == connection->wmDeleteWindow)
            closeRequestedFlag = true;
        else if (event.type == ConfigureNotify)
            configured(event.xconfigure.width, event.xconfigure.height);
    }
}

std::size_t EditorWindow::xErrorCount()
{
    return errorCount.load(std::memory_order_relaxed);
}

} // namespace pomelu::host
