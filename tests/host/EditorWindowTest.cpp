// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's window, frame and run loop under a private Xvfb, with a small view standing in for a
// plug-in's: embedding, resizing from both sides, the close request, and opening again and again.
#include "EditorWindow.h"
#include "HostedEditor.h"
#include "PlugFrame.h"
#include "RunLoop.h"
#include "XvfbServer.h"

#include "pluginterfaces/gui/iplugview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

using namespace pomelu::host;
using namespace Steinberg;
using namespace std::chrono_literals;

namespace
{

// A view that keeps a 2:1 aspect between 100 and 2000 pixels wide, registers a timer with the
// frame's run loop while attached, and records what the host does to it.
class FakeView final : public IPlugView, public Linux::ITimerHandler
{
public:
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override { return --refs; }

    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override
    {
        return x11 && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue : kResultFalse;
    }
    tresult PLUGIN_API attached(void* p, FIDString type) override
    {
        parent = reinterpret_cast<unsigned long>(p);
        attachedType = type;
        if (frame == nullptr ||
            frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk)
            return kResultFalse;
        return loop->registerTimer(this, 16);
    }
    tresult PLUGIN_API removed() override
    {
        ++removals;
        return loop != nullptr ? loop->unregisterTimer(this) : kResultFalse;
    }
    tresult PLUGIN_API onWheel(float) override { return kResultFalse; }
    tresult PLUGIN_API onKeyDown(char16, int16, int16) override { return kResultFalse; }
    tresult PLUGIN_API onKeyUp(char16, int16, int16) override { return kResultFalse; }
    tresult PLUGIN_API getSize(ViewRect* r) override
    {
        *r = size;
        return kResultOk;
    }
    tresult PLUGIN_API onSize(ViewRect* r) override
    {
        size = *r;
        ++sizeCalls;
        if (askAgainInOnSize && frame != nullptr) // a view asking again from inside onSize is told no
        {
            askAgainInOnSize = false;
            nestedResize = frame->resizeView(this, r);
        }
        return kResultOk;
    }
    tresult PLUGIN_API onFocus(TBool) override { return kResultOk; }
    tresult PLUGIN_API setFrame(IPlugFrame* f) override
    {
        frame = f;
        return kResultOk;
    }
    tresult PLUGIN_API canResize() override { return kResultTrue; }
    tresult PLUGIN_API checkSizeConstraint(ViewRect* r) override
    {
        const int32 width = std::clamp(r->getWidth(), 100, 2000);
        *r = ViewRect(0, 0, width, width / 2);
        return kResultOk;
    }
    void PLUGIN_API onTimer() override { ++ticks; }

    int refs = 1;
    bool x11 = true;
    ViewRect size{0, 0, 400, 200};
    IPlugFrame* frame = nullptr;
    Linux::IRunLoop* loop = nullptr;
    unsigned long parent = 0;
    std::string attachedType;
    int removals = 0;
    int sizeCalls = 0;
    int ticks = 0;
    bool askAgainInOnSize = false;
    tresult nestedResize = kResultOk;
};

class EditorWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { server = new pomelu::test::XvfbServer; }
    static void TearDownTestSuite() { delete server; }

    void SetUp() override
    {
        if (!server->running())
        {
            GTEST_SKIP() << server->error();
        }
        errorsBefore = EditorWindow::xErrorCount();
        observer = XOpenDisplay(server->display().c_str());
        ASSERT_NE(observer, nullptr);
    }
    void TearDown() override
    {
        if (observer != nullptr)
            XCloseDisplay(observer);
        EXPECT_EQ(EditorWindow::xErrorCount(), errorsBefore) << "no X error";
    }

    std::unique_ptr<HostedEditor> open(FakeView& view)
    {
        std::string error;
        view.addRef(); // the editor takes over a reference of its own
        auto editor = HostedEditor::open(&view, loop, "Pomelu ポメル", error, server->display().c_str());
        EXPECT_NE(editor, nullptr) << error;
        return editor;
    }

    // The window's size as the X server has it, asked over another connection.
    std::pair<int, int> serverSize(unsigned long window)
    {
        Window root;
        int x, y;
        unsigned width = 0, height = 0, border, depth;
        XGetGeometry(observer, window, &root, &x, &y, &width, &height, &border, &depth);
        return {static_cast<int>(width), static_cast<int>(height)};
    }
    bool serverSizeBecomes(unsigned long window, int width, int height)
    {
        return loop.runUntil([&] { return serverSize(window) == std::pair{width, height}; }, 5s);
    }

    static pomelu::test::XvfbServer* server;
    RunLoop loop;
    Display* observer = nullptr;
    std::size_t errorsBefore = 0;
};

pomelu::test::XvfbServer* EditorWindowTest::server = nullptr;

} // namespace

TEST_F(EditorWindowTest, TheViewIsEmbeddedInAWindowOfItsSizeAndRunsOnTheHostsLoop)
{
    FakeView view;
    auto editor = open(view);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(view.parent, editor->window().id());
    EXPECT_EQ(view.attachedType, kPlatformTypeX11EmbedWindowID);
    EXPECT_TRUE(serverSizeBecomes(editor->window().id(), 400, 200));
    EXPECT_EQ(loop.timerCount(), 1u) << "the view's timer";
    EXPECT_EQ(loop.eventHandlerCount(), 1u) << "the window's X connection";
    EXPECT_TRUE(loop.runUntil([&] { return view.ticks >= 3; }, 5s));
}

TEST_F(EditorWindowTest, AResizeTheViewAsksForResizesTheWindowAndTellsTheViewOnce)
{
    FakeView view;
    auto editor = open(view);
    ASSERT_NE(editor, nullptr);
    ViewRect first(0, 0, 640, 320), second(0, 0, 800, 400);
    view.askAgainInOnSize = true;
    EXPECT_EQ(view.frame->resizeView(&view, &first), kResultOk);
    EXPECT_EQ(view.nestedResize, kResultFalse);
    EXPECT_EQ(view.frame->resizeView(&view, &second), kResultOk);
    EXPECT_EQ(editor->window().width(), 800);
    EXPECT_TRUE(serverSizeBecomes(editor->window().id(), 800, 400));
    loop.runFor(50ms); // the server's notices of both resizes arrive: they are ours, not the user's
    EXPECT_EQ(view.size.getWidth(), 800);
    EXPECT_EQ(view.sizeCalls, 2);
    EXPECT_EQ(editor->frame().resizeCount(), 2);

    ViewRect empty(0, 0, 0, 10);
    EXPECT_EQ(view.frame->resizeView(&view, &empty), kInvalidArgument);
    EXPECT_EQ(view.frame->resizeView(nullptr, &first), kInvalidArgument);
    EXPECT_EQ(view.frame->resizeView(&view, nullptr), kInvalidArgument);
    EXPECT_EQ(view.sizeCalls, 2);
}

TEST_F(EditorWindowTest, AUserResizeOfTheWindowIsConstrainedByTheView)
{
    FakeView view;
    auto editor = open(view);
    ASSERT_NE(editor, nullptr);
    const struct
    {
        int width, height, expectedWidth, expectedHeight;
    } cases[] = {{500, 500, 500, 250}, {60, 300, 100, 50}, {900, 450, 900, 450}};
    for (const auto& c : cases)
    {
        // As a window manager does it: another client resizes the top-level window.
        XResizeWindow(observer, editor->window().id(), static_cast<unsigned>(c.width),
                      static_cast<unsigned>(c.height));
        XFlush(observer);
        EXPECT_TRUE(loop.runUntil([&] { return view.size.getWidth() == c.expectedWidth; }, 5s)) << c.width;
        EXPECT_EQ(view.size.getHeight(), c.expectedHeight) << c.width;
        EXPECT_TRUE(serverSizeBecomes(editor->window().id(), c.expectedWidth, c.expectedHeight)) << c.width;
    }
    EXPECT_TRUE(editor->resize(1000, 1));
    EXPECT_EQ(view.size.getHeight(), 500);
}

TEST_F(EditorWindowTest, TheWindowManagersCloseRequestIsSeenAndClosingReleasesEverything)
{
    for (int round = 0; round < 20; ++round)
    {
        FakeView view;
        auto editor = open(view);
        ASSERT_NE(editor, nullptr);
        if (round == 0)
        {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = editor->window().id();
            event.xclient.message_type = XInternAtom(observer, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = static_cast<long>(XInternAtom(observer, "WM_DELETE_WINDOW", False));
            XSendEvent(observer, editor->window().id(), False, NoEventMask, &event);
            XFlush(observer);
            EXPECT_TRUE(loop.runUntil([&] { return editor->closeRequested(); }, 5s));
        }
        loop.runOnce(0ms);
        editor->close();
        EXPECT_EQ(view.removals, 1);
        EXPECT_EQ(view.frame, nullptr);
        EXPECT_EQ(view.refs, 1) << "only the test's own reference is left";
        EXPECT_EQ(loop.timerCount() + loop.eventHandlerCount(), 0u);
    }
}

TEST_F(EditorWindowTest, ViewsThatCannotBeShownAndMissingDisplaysAreRefusedWithAReason)
{
    FakeView noX11;
    noX11.x11 = false;
    std::string error;
    noX11.addRef();
    EXPECT_EQ(HostedEditor::open(&noX11, loop, "t", error, server->display().c_str()), nullptr);
    EXPECT_NE(error.find("X11"), std::string::npos) << error;
    EXPECT_EQ(noX11.refs, 1) << "the refused view is released";

    FakeView view;
    view.addRef();
    EXPECT_EQ(HostedEditor::open(&view, loop, "t", error, ":4000"), nullptr);
    EXPECT_NE(error.find(":4000"), std::string::npos) << error;
    EXPECT_EQ(view.refs, 1);
    EXPECT_EQ(HostedEditor::open(static_cast<IPlugView*>(nullptr), loop, "t", error), nullptr);
}
