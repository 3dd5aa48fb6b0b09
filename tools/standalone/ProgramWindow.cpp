// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramWindow.h"

#include "Fonts.h"
#include "HostObject.h"
#include "RunLoop.h"
#include "XImageOfSurface.h"
#include "editor/Theme.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace pomelu::tools
{

namespace
{
constexpr int kItemHeight = 24;
constexpr double kFontSize = 13.0;

struct Item
{
    const char* label;
    const char* shortcut;
};
constexpr Item kFileItems[] = {{"Open State\u2026", "Ctrl+O"},
                               {"Save State", "Ctrl+S"},
                               {"Save State As\u2026", "Ctrl+Shift+S"},
                               {"Quit", "Ctrl+Q"}};
enum FileItem
{
    kOpen,
    kSave,
    kSaveAs,
    kQuit
};
constexpr const char* kMenuTitles[] = {"File", "Presets"};

void setColor(cairo_t* cr, const igraphics::IColor& c, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0 * alpha);
}

// Puts a drawn image on a window of the default visual. The bar and the menus draw into image
// surfaces rather than cairo's Xlib ones, whose per-display data outlives XCloseDisplay.
void putImage(Display* d, Window w, cairo_surface_t* image)
{
    XImage* img = igraphics::BorrowImageOf(d, DefaultVisual(d, DefaultScreen(d)), image);
    if (img == nullptr)
        return;
    GC gc = XCreateGC(d, w, 0, nullptr);
    XPutImage(d, w, gc, img, 0, 0, 0, 0, static_cast<unsigned>(img->width),
              static_cast<unsigned>(img->height));
    XFreeGC(d, gc);
    igraphics::DestroyBorrowedImage(img);
}
} // namespace

struct ProgramWindow::X final : public host::HostObject<Steinberg::Linux::IEventHandler>
{
    explicit X(host::RunLoop& l, Display* d) : loop(l), display(d) {}
    ~X()
    {
        loop.unregisterEventHandler(this);
        XDestroyWindow(display, top);
        XCloseDisplay(display);
    }
    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor) override
    {
        if (owner != nullptr)
            owner->processEvents();
    }

    // The text's width in the bar's font.
    double measure(cairo_t* cr, const std::string& text) const
    {
        cairo_set_font_face(cr, fonts.FaceFor("Roboto", text.c_str()));
        cairo_set_font_size(cr, kFontSize);
        cairo_text_extents_t e{};
        cairo_text_extents(cr, text.c_str(), &e);
        return e.x_advance;
    }
    void text(cairo_t* cr, double left, double middle, const std::string& text) const
    {
        cairo_set_font_face(cr, fonts.FaceFor("Roboto", text.c_str()));
        cairo_set_font_size(cr, kFontSize);
        cairo_move_to(cr, left, middle + 0.35 * kFontSize);
        cairo_show_text(cr, text.c_str());
    }

    host::RunLoop& loop;
    Display* display;
    ProgramWindow* owner = nullptr;
    Window top = 0, bar = 0, menu = 0, editor = 0;
    int width = 1, height = 1;             // the top-level's
    int editorWidth = 0, editorHeight = 0; // the editor window's, as last seen
    Atom wmProtocols = 0, wmDeleteWindow = 0;
    igraphics::FontRegistry fonts;
    double titleLeft[3] = {}; // the menu titles' left edges, and the right edge of the last
};

std::unique_ptr<ProgramWindow> ProgramWindow::open(host::RunLoop& loop, const std::string& title,
                                                   std::vector<std::string> presets, Actions actions,
                                                   std::string& error)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        const char* name = XDisplayName(nullptr);
        error = std::string("cannot open the X display \"") + (name != nullptr ? name : "") + "\"";
        return nullptr;
    }
    auto x = std::make_unique<X>(loop, display);
    const Window root = DefaultRootWindow(display);
    x->top = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, x->top, StructureNotifyMask | KeyPressMask);
    x->bar = XCreateSimpleWindow(display, x->top, 0, 0, 1, kBarHeight, 0, 0, 0);
    XSelectInput(display, x->bar, ExposureMask | ButtonPressMask | KeyPressMask);
    x->wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    x->wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, x->top, &x->wmDeleteWindow, 1);
    XStoreName(display, x->top, title.c_str());
    XChangeProperty(display, x->top, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    // The shortcuts reach the program whichever of its windows has the pointer or the focus, Caps Lock
    // and Num Lock or not.
    for (const KeySym sym : {XK_o, XK_s, XK_q})
        for (const unsigned shift : {0u, static_cast<unsigned>(ShiftMask)})
            for (const unsigned locks : {0u, static_cast<unsigned>(LockMask), static_cast<unsigned>(Mod2Mask),
                                         static_cast<unsigned>(LockMask | Mod2Mask)})
                XGrabKey(display, XKeysymToKeycode(display, sym), ControlMask | shift | locks, x->top, False,
                         GrabModeAsync, GrabModeAsync);
    x->fonts.Load("Roboto", "Roboto-Regular.ttf");
    XMapWindow(display, x->bar);
    XSync(display, False);
    loop.registerEventHandler(x.get(), ConnectionNumber(display));
    std::unique_ptr<ProgramWindow> w(new ProgramWindow(std::move(x)));
    w->presets = std::move(presets);
    w->actions = std::move(actions);
    return w;
}

ProgramWindow::ProgramWindow(std::unique_ptr<X> connection) : x(std::move(connection))
{
    x->owner = this;
}

ProgramWindow::~ProgramWindow()
{
    x->owner = nullptr;
}

unsigned long ProgramWindow::id() const
{
    return x->top;
}

void ProgramWindow::embed(unsigned long editorWindow)
{
    x->editor = editorWindow;
    XSelectInput(x->display, x->editor, StructureNotifyMask);
    XMoveWindow(x->display, x->editor, 0, kBarHeight);
    XWindowAttributes a{};
    XGetWindowAttributes(x->display, x->editor, &a);
    fitToEditor(a.width, a.height);
    XMapWindow(x->display, x->top);
    XSync(x->display, False);
    processEvents(); // XSync may have queued events that the descriptor no longer announces
}

void ProgramWindow::fitToEditor(int width, int height)
{
    x->editorWidth = width;
    x->editorHeight = height;
    x->width = width;
    x->height = height + kBarHeight;
    XResizeWindow(x->display, x->top, static_cast<unsigned>(x->width), static_cast<unsigned>(x->height));
    XResizeWindow(x->display, x->bar, static_cast<unsigned>(x->width), kBarHeight);
    XFlush(x->display);
}

void ProgramWindow::refresh()
{
    if (actions.theme && actions.theme() != drawnTheme)
    {
        draw();
        if (openMenuIndex >= 0)
            drawMenu();
    }
}

void ProgramWindow::processEvents()
{
    Display* d = x->display;
    while (XPending(d) > 0)
    {
        XEvent e;
        XNextEvent(d, &e);
        const Window w = e.xany.window;
        if (e.type == ClientMessage && w == x->top && e.xclient.message_type == x->wmProtocols &&
            static_cast<Atom>(e.xclient.data.l[0]) == x->wmDeleteWindow)
            quit = true;
        else if (e.type == ConfigureNotify && w == x->editor &&
                 (e.xconfigure.width != x->editorWidth || e.xconfigure.height != x->editorHeight))
            fitToEditor(e.xconfigure.width, e.xconfigure.height);
        else if (e.type == ConfigureNotify && w == x->top &&
                 (e.xconfigure.width != x->width || e.xconfigure.height != x->height))
        {
            // The user's size goes to the editor, whose window then settles the size of this one.
            x->width = e.xconfigure.width;
            x->height = e.xconfigure.height;
            XResizeWindow(d, x->bar, static_cast<unsigned>(x->width), kBarHeight);
            if (x->editor != 0)
                XResizeWindow(d, x->editor, static_cast<unsigned>(std::max(x->width, 1)),
                              static_cast<unsigned>(std::max(x->height - kBarHeight, 1)));
        }
        else if (e.type == Expose && e.xexpose.count == 0)
        {
            if (w == x->bar)
                draw();
            else if (w == x->menu)
                drawMenu();
        }
        else if (e.type == KeyPress)
            key(&e);
        else if (e.type == ButtonPress && w == x->bar)
            press(e.xbutton.x, e.xbutton.y);
        else if (w == x->menu && x->menu != 0 &&
                 (e.type == ButtonPress || e.type == ButtonRelease || e.type == MotionNotify))
            menuEvent(e.type, e.type == MotionNotify ? e.xmotion.x : e.xbutton.x,
                      e.type == MotionNotify ? e.xmotion.y : e.xbutton.y);
    }
}

void ProgramWindow::press(int px, int)
{
    if (prompting)
        return;
    for (int i = 0; i < 2; ++i)
        if (px >= x->titleLeft[i] && px < x->titleLeft[i + 1])
        {
            if (i == openMenuIndex)
                closeMenu();
            else
                openMenu(i);
            return;
        }
    closeMenu();
}

void ProgramWindow::openMenu(int index)
{
    closeMenu();
    Display* d = x->display;
    const int count = index == 0 ? static_cast<int>(std::size(kFileItems)) : static_cast<int>(presets.size());
    // Wide enough for the longest label and its shortcut.
    cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(probe);
    double widest = 0.0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, index == 0 ? x->measure(cr, kFileItems[i].label) + 32.0 +
                                                   x->measure(cr, kFileItems[i].shortcut)
                                             : x->measure(cr, presets[static_cast<std::size_t>(i)]));
    cairo_destroy(cr);
    cairo_surface_destroy(probe);
    openMenuIndex = index;
    hotItem = -1;
    x->menu = XCreateSimpleWindow(d, x->top, static_cast<int>(x->titleLeft[index]), kBarHeight,
                                  static_cast<unsigned>(widest) + 32u,
                                  static_cast<unsigned>(count * kItemHeight + 8), 0, 0, 0);
    XSelectInput(d, x->menu, ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask);
    XMapRaised(d, x->menu);
    // A click anywhere else, the editor included, closes the menu instead of reaching what is there.
    XGrabPointer(d, x->menu, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    draw();
}

void ProgramWindow::closeMenu()
{
    if (x->menu == 0)
        return;
    XUngrabPointer(x->display, CurrentTime);
    XDestroyWindow(x->display, x->menu);
    x->menu = 0;
    openMenuIndex = -1;
    draw();
}

void ProgramWindow::menuEvent(int type, int px, int py)
{
    XWindowAttributes a{};
    XGetWindowAttributes(x->display, x->menu, &a);
    const int count =
        openMenuIndex == 0 ? static_cast<int>(std::size(kFileItems)) : static_cast<int>(presets.size());
    const bool inside = px >= 0 && px < a.width && py >= 4 && py < 4 + count * kItemHeight;
    const int item = inside ? (py - 4) / kItemHeight : -1;
    if (type == MotionNotify)
    {
        if (item != hotItem)
        {
            hotItem = item;
            drawMenu();
        }
    }
    else if (type == ButtonRelease && item >= 0)
    {
        const int menu = openMenuIndex;
        closeMenu();
        run(menu, item);
    }
    else if (type == ButtonPress && !(px >= 0 && px < a.width && py >= 0 && py < a.height))
    {
        // Outside the menu: on another title that menu opens, anywhere else it just closes.
        const int barX = px + a.x, barY = py + a.y;
        if (barY >= 0 && barY < kBarHeight)
            press(barX, barY);
        else
            closeMenu();
    }
}

void ProgramWindow::run(int menu, int item)
{
    closeMenu(); // a shortcut may come while a menu is open
    if (menu == 1)
    {
        actions.pickPreset(item);
        tell("Preset: " + presets[static_cast<std::size_t>(item)], false);
    }
    else if (item == kOpen || item == kSaveAs)
        startPrompt(item == kSaveAs);
    else if (item == kSave)
        save();
    else
        quit = true;
}

void ProgramWindow::save()
{
    if (currentFile.empty())
        return startPrompt(true);
    const std::string why = actions.saveState(currentFile);
    tell(why.empty() ? "Saved " + currentFile : why, !why.empty());
}

void ProgramWindow::startPrompt(bool saving)
{
    closeMenu();
    prompting = true;
    promptSaves = saving;
    std::error_code ec;
    promptText = !currentFile.empty() ? currentFile : std::filesystem::current_path(ec).string() + "/";
    promptSelected = true;
    // Typing goes to the bar while the prompt is open, wherever the pointer is.
    XSetInputFocus(x->display, x->bar, RevertToParent, CurrentTime);
    draw();
}

void ProgramWindow::endPrompt(bool accept)
{
    prompting = false;
    XSetInputFocus(x->display, x->top, RevertToParent, CurrentTime);
    if (!accept || promptText.empty())
        return draw();
    std::string path = promptText;
    if (const char* home = std::getenv("HOME"); home != nullptr && path.starts_with("~/"))
        path = home + path.substr(1);
    const std::string why = promptSaves ? actions.saveState(path) : actions.openState(path);
    if (why.empty())
        currentFile = path;
    tell(why.empty() ? (promptSaves ? "Saved " : "Opened ") + path : why, !why.empty());
}

void ProgramWindow::key(void* event)
{
    XKeyEvent& e = static_cast<XEvent*>(event)->xkey;
    char text[32] = {};
    KeySym sym = NoSymbol;
    const int n = XLookupString(&e, text, sizeof text - 1, &sym, nullptr);
    const KeySym base = XLookupKeysym(&e, 0);
    const bool control = (e.state & ControlMask) != 0;
    if (prompting)
    {
        if (sym == XK_Return || sym == XK_KP_Enter)
            endPrompt(true);
        else if (sym == XK_Escape)
            endPrompt(false);
        else if (sym == XK_BackSpace && promptSelected)
        {
            promptText.clear();
            promptSelected = false;
            draw();
        }
        else if (sym == XK_BackSpace)
        {
            while (!promptText.empty() && (static_cast<unsigned char>(promptText.back()) & 0xC0) == 0x80)
                promptText.pop_back(); // a whole UTF-8 character
            if (!promptText.empty())
                promptText.pop_back();
            draw();
        }
        else if (control && base == XK_u)
        {
            promptText.clear();
            promptSelected = false;
            draw();
        }
        else if (!control && n == 1 && static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7F)
        {
            if (promptSelected) // typing replaces the suggested path
                promptText.clear();
            promptSelected = false;
            // Latin-1 from XLookupString, kept as UTF-8.
            const auto c = static_cast<unsigned char>(text[0]);
            if (c < 0x80)
                promptText += static_cast<char>(c);
            else
                promptText += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            draw();
        }
        return;
    }
    if (sym == XK_Escape)
        return closeMenu();
    if (!control)
        return;
    const bool shift = (e.state & ShiftMask) != 0;
    if (base == XK_o && !shift)
        run(0, kOpen);
    else if (base == XK_s)
        run(0, shift ? kSaveAs : kSave);
    else if (base == XK_q && !shift)
        run(0, kQuit);
}

void ProgramWindow::tell(const std::string& text, bool error)
{
    news = text;
    newsIsError = error;
    draw();
}

void ProgramWindow::draw()
{
    Display* d = x->display;
    drawnTheme = actions.theme ? actions.theme() : 0.0;
    const editor::ThemePalette& p = editor::PaletteFor(drawnTheme);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, x->width, kBarHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_push_group(cr);
    setColor(cr, p.background);
    cairo_paint(cr);
    setColor(cr, p.ink, 0.18);
    cairo_rectangle(cr, 0, kBarHeight - 1, x->width, 1);
    cairo_fill(cr);
    const double middle = kBarHeight / 2.0;
    double right = x->width - 12.0;
    if (prompting)
    {
        const std::string label = promptSaves ? "Save state to:" : "Open state from:";
        const std::string hint = "Return: " + std::string(promptSaves ? "save" : "open") + "   Esc: cancel";
        setColor(cr, p.ink);
        x->text(cr, 12, middle, label);
        const double left = 20 + x->measure(cr, label);
        right -= x->measure(cr, hint);
        setColor(cr, p.ink, 0.6);
        x->text(cr, right, middle, hint);
        const double fieldRight = right - 12;
        setColor(cr, p.panel);
        cairo_rectangle(cr, left, 4, fieldRight - left, kBarHeight - 8);
        cairo_fill_preserve(cr);
        setColor(cr, p.accent);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        // The end of a long path stays in view.
        cairo_save(cr);
        cairo_rectangle(cr, left + 1, 4, fieldRight - left - 2, kBarHeight - 8);
        cairo_clip(cr);
        const double textWidth = x->measure(cr, promptText);
        const double start = std::min(left + 6, fieldRight - 8 - textWidth);
        if (promptSelected)
        {
            setColor(cr, p.accent, 0.3);
            cairo_rectangle(cr, start - 1, 6, textWidth + 2, kBarHeight - 12);
            cairo_fill(cr);
        }
        setColor(cr, p.ink);
        x->text(cr, start, middle, promptText);
        cairo_rectangle(cr, start + textWidth + 1, 7, 1.5, kBarHeight - 14);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    else
    {
        double left = 4;
        for (int i = 0; i < 2; ++i)
        {
            x->titleLeft[i] = left;
            const double w = x->measure(cr, kMenuTitles[i]) + 20;
            if (i == openMenuIndex)
            {
                setColor(cr, p.accent);
                cairo_rectangle(cr, left, 3, w, kBarHeight - 6);
                cairo_fill(cr);
            }
            setColor(cr, i == openMenuIndex ? editor::kWhite : p.ink);
            x->text(cr, left + 10, middle, kMenuTitles[i]);
            left += w;
        }
        x->titleLeft[2] = left;
        if (!news.empty())
        {
            setColor(cr, newsIsError ? p.accent : p.ink, newsIsError ? 1.0 : 0.7);
            x->text(cr, std::max(left + 24, right - x->measure(cr, news)), middle, news);
        }
    }
    cairo_pop_group_to_source(cr);
    cairo_paint(cr);
    cairo_destroy(cr);
    putImage(d, x->bar, surface);
    cairo_surface_destroy(surface);
    XFlush(d);
}

void ProgramWindow::drawMenu()
{
    Display* d = x->display;
    XWindowAttributes a{};
    XGetWindowAttributes(d, x->menu, &a);
    const editor::ThemePalette& p = editor::PaletteFor(drawnTheme);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, a.width, a.height);
    cairo_t* cr = cairo_create(surface);
    cairo_push_group(cr);
    setColor(cr, p.panel);
    cairo_paint(cr);
    setColor(cr, p.ink, 0.35);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, 0.5, 0.5, a.width - 1, a.height - 1);
    cairo_stroke(cr);
    const int count =
        openMenuIndex == 0 ? static_cast<int>(std::size(kFileItems)) : static_cast<int>(presets.size());
    for (int i = 0; i < count; ++i)
    {
        const double top = 4 + i * kItemHeight, middle = top + kItemHeight / 2.0;
        if (i == hotItem)
        {
            setColor(cr, p.accent);
            cairo_rectangle(cr, 3, top, a.width - 6, kItemHeight);
            cairo_fill(cr);
        }
        setColor(cr, i == hotItem ? editor::kWhite : p.ink);
        x->text(cr, 16, middle,
                openMenuIndex == 0 ? kFileItems[i].label : presets[static_cast<std::size_t>(i)]);
        if (openMenuIndex == 0)
        {
            setColor(cr, i == hotItem ? editor::kWhite : p.ink, 0.6);
            x->text(cr, a.width - 16 - x->measure(cr, kFileItems[i].shortcut), middle,
                    kFileItems[i].shortcut);
        }
    }
    cairo_pop_group_to_source(cr);
    cairo_paint(cr);
    cairo_destroy(cr);
    putImage(d, x->menu, surface);
    cairo_surface_destroy(surface);
    XFlush(d);
}

} // namespace pomelu::tools
