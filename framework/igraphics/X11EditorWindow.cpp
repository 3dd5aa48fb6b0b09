// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11EditorWindow.h"

#include "IControls.h"
#include "IGraphics.h"
#include "ITextEntryControl.h"

#include "IPlugBase.h"

// Xlib after the framework: its Bool macro would rename IParam::Bool.
#include "XImageOfSurface.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace igraphics
{

namespace
{

constexpr unsigned long kDoubleClickMs = 400;
constexpr int kDoubleClickPx = 4;
// The back buffer covers the window up to this many pixels a side; a larger window (no screen has
// one) shows the rest of its margin unpainted.
constexpr int kLargestBuffer = 8192;
// How often a window that is drawn asks the server whether it can still be seen: an ancestor of
// the host's window being unmapped sends the view no event.
constexpr auto kViewableCheck = std::chrono::milliseconds(500);

struct KeyMap
{
    long code;
    EVirtualKey vk;
};

// X keysyms the editor understands besides text.
constexpr KeyMap kXKeys[] = {
    {XK_BackSpace, EVirtualKey::Backspace},
    {XK_Delete, EVirtualKey::Delete},
    {XK_KP_Delete, EVirtualKey::Delete},
    {XK_Return, EVirtualKey::Return},
    {XK_KP_Enter, EVirtualKey::Return},
    {XK_Escape, EVirtualKey::Escape},
    {XK_Tab, EVirtualKey::Tab},
    {XK_Left, EVirtualKey::Left},
    {XK_KP_Left, EVirtualKey::Left},
    {XK_Right, EVirtualKey::Right},
    {XK_KP_Right, EVirtualKey::Right},
    {XK_Up, EVirtualKey::Up},
    {XK_KP_Up, EVirtualKey::Up},
    {XK_Down, EVirtualKey::Down},
    {XK_KP_Down, EVirtualKey::Down},
    {XK_Home, EVirtualKey::Home},
    {XK_KP_Home, EVirtualKey::Home},
    {XK_End, EVirtualKey::End},
    {XK_KP_End, EVirtualKey::End},
};

template <std::size_t N> EVirtualKey lookUp(const KeyMap (&table)[N], long code, EVirtualKey otherwise)
{
    for (const KeyMap& k : table)
        if (k.code == code)
            return k.vk;
    return otherwise;
}

IMouseMod modFromState(unsigned int state, unsigned int button)
{
    IMouseMod m;
    m.L = button == Button1 || (state & Button1Mask) != 0;
    m.R = button == Button3 || (state & Button3Mask) != 0;
    m.S = (state & ShiftMask) != 0;
    m.C = (state & ControlMask) != 0;
    m.A = (state & Mod1Mask) != 0;
    return m;
}

} // namespace

struct X11EditorWindow::X
{
    Display* display = nullptr;
    Visual* visual = nullptr;
    Colormap colormap = 0;
    GC gc = nullptr;
    XIM im = nullptr;
    XIC ic = nullptr;
    bool focused = false; // we took the keyboard focus for the text entry
    // Double-click detection.
    unsigned long lastPressTime = 0;
    unsigned int lastPressButton = 0;
    int lastPressX = -100, lastPressY = -100;
    std::chrono::steady_clock::time_point viewableChecked;
    // Requests of ours since the last drain: waiting for a reply, or for room to write, reads what
    // the server sent meanwhile into the client's queues, and the descriptor no longer wakes us.
    bool trafficSinceDrain = true;
};

X11EditorWindow::X11EditorWindow(iplug::IPlugBase& plug, std::recursive_mutex& uiMutex)
    : mPlug(plug), mUiMutex(uiMutex)
{
    DefaultSize(plug.GetConfig(), mWidth, mHeight);
}

X11EditorWindow::~X11EditorWindow()
{
    Close();
}

void X11EditorWindow::DefaultSize(const iplug::Config& c, int& width, int& height)
{
    width = c.editorWidth > 0 ? c.editorWidth : 980;
    height = c.editorHeight > 0 ? c.editorHeight : 680;
}

void X11EditorWindow::FitSize(const iplug::Config& c, std::int64_t askW, std::int64_t askH, int& width,
                              int& height)
{
    int w0 = 0, h0 = 0;
    DefaultSize(c, w0, h0);
    const double baseW = w0, baseH = h0;
    double s = std::min(static_cast<double>(askW) / baseW, static_cast<double>(askH) / baseH);
    const double lo = std::max(c.minWidth > 0 ? c.minWidth / baseW : 1.0 / 3.0,
                               c.minHeight > 0 ? c.minHeight / baseH : 0.0);
    const double hi =
        std::min(c.maxWidth > 0 ? c.maxWidth / baseW : 3.0, c.maxHeight > 0 ? c.maxHeight / baseH : 3.0);
    s = std::clamp(std::isfinite(s) ? s : 1.0, lo, hi);
    width = static_cast<int>(std::lround(baseW * s));
    height = static_cast<int>(std::lround(baseH * s));
}

int X11EditorWindow::ConnectionFd() const
{
    return mX ? ConnectionNumber(mX->display) : -1;
}

void X11EditorWindow::SetSize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == mWidth && height == mHeight)
        return;
    mWidth = width;
    mHeight = height;
    if (!mX)
        return;
    if (!mWindowGone)
        XResizeWindow(mX->display, mWindow, static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight));
    std::lock_guard lock(mUiMutex);
    mGraphics->SetWindowSize(std::min(mWidth, kLargestBuffer), std::min(mHeight, kLargestBuffer));
    // The layout hook runs after a resize when the resizer asks for it; a layout that keeps its
    // controls (the product's) returns at once, so nothing moves.
    if (const ICornerResizerControl* rz = mGraphics->GetCornerResizer();
        rz != nullptr && rz->GetLayoutOnResize())
        mPlug.LayoutEditor();
    XFlush(mX->display);
    mX->trafficSinceDrain = true;
}

bool X11EditorWindow::HandleKey(const IKeyPress& key)
{
    if (mGraphics == nullptr || key.vk == EVirtualKey::Other)
        return false;
    std::lock_guard lock(mUiMutex);
    return mGraphics->OnKeyDown(key);
}

bool X11EditorWindow::Open(unsigned long parent, int width, int height)
{
    if (mX || parent == 0)
        return false;
    auto x = std::make_unique<X>();
    x->display = XOpenDisplay(nullptr);
    if (x->display == nullptr)
    {
        std::fprintf(stderr, "pomelu: cannot open the X display \"%s\"; the editor stays closed\n",
                     XDisplayName(nullptr));
        return false;
    }
    iplug::IEditorView* editor = mPlug.GetEditorFactory() ? mPlug.GetEditorFactory()() : nullptr;
    IGraphics* g = editor != nullptr ? IGraphics::From(*editor) : nullptr;
    if (g == nullptr)
    {
        delete editor;
        XCloseDisplay(x->display);
        std::fprintf(stderr, "pomelu: the plug-in made no graphics editor; the editor stays closed\n");
        return false;
    }

    Display* dpy = x->display;
    const int screen = DefaultScreen(dpy);
    XVisualInfo vi{};
    if (XMatchVisualInfo(dpy, screen, 24, TrueColor, &vi) == 0)
    {
        delete g;
        XCloseDisplay(dpy);
        std::fprintf(stderr,
                     "pomelu: the X server offers no 24-bit TrueColor visual; the editor stays closed\n");
        return false;
    }
    x->visual = vi.visual;
    x->colormap = XCreateColormap(dpy, RootWindow(dpy, screen), vi.visual, AllocNone);
    XSetWindowAttributes wa{};
    wa.colormap = x->colormap;
    wa.border_pixel = 0;
    wa.background_pixmap = None; // the first frame paints everything; no flash of a background
    wa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask |
                    KeyPressMask | StructureNotifyMask | FocusChangeMask | VisibilityChangeMask;
    // The parent's map state and destruction too: a host hides or closes its window that way.
    mParent = static_cast<Window>(parent);
    mWidth = std::max(width, 1);
    mHeight = std::max(height, 1);
    XWindowAttributes pa{};
    mParentMapped = XGetWindowAttributes(dpy, mParent, &pa) == 0 || pa.map_state != IsUnmapped;
    mMapped = true;
    mObscured = mWindowGone = false;
    XSelectInput(dpy, mParent, StructureNotifyMask);
    mWindow = XCreateWindow(dpy, static_cast<Window>(parent), 0, 0, static_cast<unsigned>(mWidth),
                            static_cast<unsigned>(mHeight), 0, 24, InputOutput, vi.visual,
                            CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &wa);
    // XEmbed: version 0, mapped.
    const long xembedInfo[2] = {0, 1};
    const Atom xembed = XInternAtom(dpy, "_XEMBED_INFO", False);
    XChangeProperty(dpy, mWindow, xembed, xembed, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(xembedInfo), 2);
    x->gc = XCreateGC(dpy, mWindow, 0, nullptr);
    XSetLocaleModifiers("");
    x->im = XOpenIM(dpy, nullptr, nullptr, nullptr);
    if (x->im != nullptr)
        x->ic = XCreateIC(x->im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, mWindow,
                          XNFocusWindow, mWindow, nullptr);
    mX = std::move(x);

    {
        std::lock_guard lock(mUiMutex);
        mGraphics = g;
        g->SetWindowSize(std::min(mWidth, kLargestBuffer), std::min(mHeight, kLargestBuffer));
        mPlug.AttachEditor(g);
        mPlug.LayoutEditor();
        mPlug.OnUIOpen();
    }
    XMapWindow(dpy, mWindow);
    XFlush(dpy);

    return true;
}

void X11EditorWindow::Close()
{
    if (!mX)
        return;
    {
        std::lock_guard lock(mUiMutex);
        mPlug.OnUIClose();
        mPlug.AttachEditor(nullptr);
        delete mGraphics;
        mGraphics = nullptr;
    }
    Display* dpy = mX->display;
    // A host that destroyed its window first destroyed ours with it: the news is on its way.
    XSync(dpy, False);
    for (XEvent e; !mWindowGone && XCheckTypedEvent(dpy, DestroyNotify, &e);)
        windowEvent(&e);
    if (mX->ic != nullptr)
        XDestroyIC(mX->ic);
    if (mX->im != nullptr)
        XCloseIM(mX->im);
    if (mX->gc != nullptr)
        XFreeGC(dpy, mX->gc);
    if (mWindow != 0 && !mWindowGone)
        XDestroyWindow(dpy, mWindow);
    if (mX->colormap != 0)
        XFreeColormap(dpy, mX->colormap);
    XCloseDisplay(dpy);
    mX.reset();
    mWindow = mParent = 0;
}

void X11EditorWindow::windowEvent(const void* xEvent)
{
    const XEvent& e = *static_cast<const XEvent*>(xEvent);
    const bool wasVisible = visible();
    switch (e.type)
    {
    case MapNotify:
    case UnmapNotify:
    {
        const Window w = e.type == MapNotify ? e.xmap.window : e.xunmap.window;
        (w == mWindow ? mMapped : mParentMapped) = e.type == MapNotify;
        break;
    }
    case VisibilityNotify:
        mObscured = e.xvisibility.state == VisibilityFullyObscured;
        break;
    case DestroyNotify:
        mWindowGone = mWindowGone || e.xdestroywindow.window == mWindow || e.xdestroywindow.window == mParent;
        break;
    default:
        break;
    }
    if (!wasVisible && visible() && mGraphics != nullptr)
        mGraphics->SetAllControlsDirty();
}

void X11EditorWindow::DrainEvents()
{
    if (!mX)
        return;
    Display* dpy = mX->display;
    std::lock_guard lock(mUiMutex);
    mX->trafficSinceDrain = false;
    while (XPending(dpy) > 0)
    {
        XEvent e;
        XNextEvent(dpy, &e);
        if (XFilterEvent(&e, None))
            continue;
        if (mGraphics == nullptr)
            continue;
        const float s = mGraphics->GetDrawScale();
        switch (e.type)
        {
        case MapNotify:
        case UnmapNotify:
        case VisibilityNotify:
        case DestroyNotify:
            windowEvent(&e);
            break;
        case Expose:
        {
            if (!visible())
                break;
            if (mGraphics->GetFrameStats().count == 0)
                mGraphics->DrawFrame();
            const IRECT r(static_cast<float>(e.xexpose.x), static_cast<float>(e.xexpose.y),
                          static_cast<float>(e.xexpose.x + e.xexpose.width),
                          static_cast<float>(e.xexpose.y + e.xexpose.height));
            pushRects({r});
            break;
        }
        case ButtonPress:
        {
            const XButtonEvent& b = e.xbutton;
            const float x = b.x / s, y = b.y / s;
            const IMouseMod mod = modFromState(b.state, b.button);
            if (b.button == Button4 || b.button == Button5)
                mGraphics->OnMouseWheel(x, y, mod, b.button == Button4 ? 1.0f : -1.0f);
            else if (b.button == Button1 || b.button == Button3)
            {
                const bool dbl = b.button == mX->lastPressButton &&
                                 b.time - mX->lastPressTime <= kDoubleClickMs &&
                                 std::abs(b.x - mX->lastPressX) <= kDoubleClickPx &&
                                 std::abs(b.y - mX->lastPressY) <= kDoubleClickPx;
                if (dbl)
                {
                    mX->lastPressTime = 0;
                    mX->lastPressButton = 0;
                    mGraphics->OnMouseDblClick(x, y, mod);
                }
                else
                {
                    mX->lastPressTime = b.time;
                    mX->lastPressButton = b.button;
                    mX->lastPressX = b.x;
                    mX->lastPressY = b.y;
                    mGraphics->OnMouseDown(x, y, mod);
                }
            }
            break;
        }
        case ButtonRelease:
            if (e.xbutton.button == Button1 || e.xbutton.button == Button3)
                mGraphics->OnMouseUp(e.xbutton.x / s, e.xbutton.y / s,
                                     modFromState(e.xbutton.state, e.xbutton.button));
            break;
        case MotionNotify:
            mGraphics->OnMouseMove(e.xmotion.x / s, e.xmotion.y / s, modFromState(e.xmotion.state, 0));
            break;
        case LeaveNotify:
            if ((e.xcrossing.state & (Button1Mask | Button3Mask)) == 0)
                mGraphics->OnMouseOut();
            break;
        case KeyPress:
        {
            char buf[64] = {};
            KeySym sym = NoSymbol;
            int n = 0;
            if (mX->ic != nullptr)
            {
                Status status = 0;
                n = Xutf8LookupString(mX->ic, &e.xkey, buf, sizeof buf - 1, &sym, &status);
                if (status == XBufferOverflow)
                    n = 0;
            }
            else
                n = XLookupString(&e.xkey, buf, sizeof buf - 1, &sym, nullptr);
            IKeyPress k;
            k.vk = lookUp(kXKeys, static_cast<long>(sym), EVirtualKey::Text);
            k.S = (e.xkey.state & ShiftMask) != 0;
            k.C = (e.xkey.state & ControlMask) != 0;
            k.A = (e.xkey.state & Mod1Mask) != 0;
            if (k.vk == EVirtualKey::Text)
            {
                if (n > 0 && static_cast<unsigned char>(buf[0]) >= 0x20 && buf[0] != 0x7F)
                    k.utf8.assign(buf, static_cast<std::size_t>(n));
                else
                    k.vk = EVirtualKey::Other;
            }
            if (k.vk != EVirtualKey::Other)
                mGraphics->OnKeyDown(k);
            break;
        }
        default:
            break;
        }
    }
}

bool X11EditorWindow::BeginFrame(int& askWidth, int& askHeight)
{
    if (!mX)
        return false;
    // What the server sends wakes the descriptor's handler; a frame only drains what our own
    // requests read.
    if (mX->trafficSinceDrain || XEventsQueued(mX->display, QueuedAlready) > 0)
        DrainEvents();
    bool resize = false;
    {
        std::lock_guard lock(mUiMutex);
        resize = mGraphics->TakeResizeRequest(askWidth, askHeight);
    }
    return resize;
}

void X11EditorWindow::EndFrame()
{
    if (!mX || mGraphics == nullptr || !visible())
        return;
    if (const auto now = std::chrono::steady_clock::now(); now - mX->viewableChecked >= kViewableCheck)
    {
        mX->viewableChecked = now;
        mX->trafficSinceDrain = true;
        XWindowAttributes wa{};
        if (XGetWindowAttributes(mX->display, mWindow, &wa) != 0 && wa.map_state != IsViewable)
        {
            // Shown again, the window hears VisibilityNotify.
            mObscured = true;
            return;
        }
    }
    std::vector<IRECT> rects;
    {
        std::lock_guard lock(mUiMutex);
        // The text entry needs the keyboard: take the focus while it is open, give it back after.
        const ITextEntryControl* te = mGraphics->GetTextEntryControl();
        const bool wantFocus = te != nullptr && te->IsOpen();
        if (wantFocus != mX->focused)
        {
            mX->trafficSinceDrain = true;
            Window parent = 0, root = 0, *children = nullptr;
            unsigned int n = 0;
            if (wantFocus)
                XSetInputFocus(mX->display, mWindow, RevertToParent, CurrentTime);
            else if (XQueryTree(mX->display, mWindow, &root, &parent, &children, &n) != 0)
            {
                if (children != nullptr)
                    XFree(children);
                // Focus can only go to a viewable window; a host closing its window keeps its own.
                XWindowAttributes wa{};
                if (XGetWindowAttributes(mX->display, parent, &wa) != 0 && wa.map_state == IsViewable)
                    XSetInputFocus(mX->display, parent, RevertToParent, CurrentTime);
            }
            mX->focused = wantFocus;
        }
        mGraphics->DrawFrame(&rects);
    }
    pushRects(rects);
}

void X11EditorWindow::pushRects(const std::vector<IRECT>& pixelRects)
{
    if (pixelRects.empty() || !mX || mGraphics == nullptr || mWindowGone)
        return;
    cairo_surface_t* bb = mGraphics->GetBackBuffer();
    const int bw = cairo_image_surface_get_width(bb), bh = cairo_image_surface_get_height(bb);
    XImage* img = BorrowImageOf(mX->display, mX->visual, bb);
    if (img == nullptr)
        return;
    for (const IRECT& r : pixelRects)
    {
        const IRECT c = r.Intersect({0.0f, 0.0f, static_cast<float>(std::min(bw, mWidth)),
                                     static_cast<float>(std::min(bh, mHeight))});
        if (c.Empty())
            continue;
        const int x = static_cast<int>(c.L), y = static_cast<int>(c.T);
        XPutImage(mX->display, mWindow, mX->gc, img, x, y, x, y, static_cast<unsigned>(c.W()),
                  static_cast<unsigned>(c.H()));
        ++mImagesPushed;
    }
    DestroyBorrowedImage(img);
    XFlush(mX->display);
    mX->trafficSinceDrain = true;
}

} // namespace igraphics
