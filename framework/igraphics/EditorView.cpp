// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorView.h"

#include "IPlugVST3.h"
#include "Utf16.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace Steinberg;

namespace igraphics
{

namespace
{

// VST 3 modifier bits (pluginterfaces/base/keycodes.h).
enum Vst3Modifier
{
    kModShift = 1 << 0,
    kModAlt = 1 << 1,
    kModCommand = 1 << 2,
    kModControl = 1 << 3
};

struct KeyMap
{
    long code;
    EVirtualKey vk;
};

// VST 3 virtual key codes (KEY_BACK 1, KEY_TAB 2, KEY_RETURN 4, KEY_ESCAPE 6, KEY_END 9, KEY_HOME 10,
// KEY_LEFT 11, KEY_UP 12, KEY_RIGHT 13, KEY_DOWN 14, KEY_ENTER 19, KEY_DELETE 22).
constexpr KeyMap kVst3Keys[] = {
    {1, EVirtualKey::Backspace}, {2, EVirtualKey::Tab},     {4, EVirtualKey::Return},
    {6, EVirtualKey::Escape},    {9, EVirtualKey::End},     {10, EVirtualKey::Home},
    {11, EVirtualKey::Left},     {12, EVirtualKey::Up},     {13, EVirtualKey::Right},
    {14, EVirtualKey::Down},     {19, EVirtualKey::Return}, {22, EVirtualKey::Delete},
};

template <std::size_t N> EVirtualKey lookUp(const KeyMap (&table)[N], long code, EVirtualKey otherwise)
{
    for (const KeyMap& k : table)
        if (k.code == code)
            return k.vk;
    return otherwise;
}

} // namespace

EditorView::EditorView(iplug::IPlugVST3& plug) : mPlug(plug), mWindow(plug, plug.GetUiMutex())
{
    mPlug.addRef();
    X11EditorWindow::DefaultSize(mPlug.GetConfig(), mWidth, mHeight);
}

EditorView::~EditorView()
{
    if (mAttached)
        removed();
    setFrame(nullptr);
    mPlug.release();
}

// ------------------------------------------------------------------ FUnknown

tresult PLUGIN_API EditorView::queryInterface(const TUID iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, IPlugView::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid))
        *obj = static_cast<IPlugView*>(this);
    else if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid))
        *obj = static_cast<Linux::IEventHandler*>(this);
    else if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid))
        *obj = static_cast<Linux::ITimerHandler*>(this);
    else
    {
        *obj = nullptr;
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 PLUGIN_API EditorView::addRef()
{
    return ++mRefCount;
}

uint32 PLUGIN_API EditorView::release()
{
    const uint32 n = --mRefCount;
    if (n == 0)
        delete this;
    return n;
}

// ------------------------------------------------------------------ attach, remove

tresult PLUGIN_API EditorView::isPlatformTypeSupported(FIDString type)
{
    return type != nullptr && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue
                                                                                    : kResultFalse;
}

tresult PLUGIN_API EditorView::attached(void* parent, FIDString type)
{
    if (mAttached || parent == nullptr || isPlatformTypeSupported(type) != kResultTrue)
        return kResultFalse;
    if (mRunLoop == nullptr)
    {
        std::fprintf(stderr,
                     "pomelu: the host's frame offers no Steinberg::Linux::IRunLoop; the editor cannot "
                     "run without one and stays closed\n");
        return kResultFalse;
    }
    if (mPlug.GetEditor() != nullptr)
    {
        std::fprintf(stderr, "pomelu: this instance's editor is open in another view already\n");
        return kResultFalse;
    }
    if (!mWindow.Open(reinterpret_cast<unsigned long>(parent), mWidth, mHeight))
        return kResultFalse;
    mServingLoop = mRunLoop;
    mServingLoop->addRef();
    mServingLoop->registerEventHandler(this, mWindow.ConnectionFd());
    mServingLoop->registerTimer(this, kTimerMs);
    mAttached = true;
    mPlug.ViewAttached();
    return kResultTrue;
}

tresult PLUGIN_API EditorView::removed()
{
    if (!mAttached)
        return kResultFalse;
    mAttached = false; // a tick that still arrives finds nothing to do
    mPlug.ViewRemoved();
    leaveRunLoop();
    mWindow.Close();
    return kResultOk;
}

void EditorView::leaveRunLoop()
{
    if (mServingLoop == nullptr)
        return;
    mServingLoop->unregisterTimer(this);
    mServingLoop->unregisterEventHandler(this);
    mServingLoop->release();
    mServingLoop = nullptr;
}

tresult PLUGIN_API EditorView::setFrame(IPlugFrame* frame)
{
    if (mRunLoop != nullptr)
    {
        mRunLoop->release();
        mRunLoop = nullptr;
    }
    mFrame = frame;
    if (frame != nullptr)
    {
        void* rl = nullptr;
        if (frame->queryInterface(Linux::IRunLoop::iid, &rl) == kResultOk)
            mRunLoop = static_cast<Linux::IRunLoop*>(rl);
    }
    return kResultOk;
}

// ------------------------------------------------------------------ size

tresult PLUGIN_API EditorView::getSize(ViewRect* size)
{
    if (size == nullptr)
        return kInvalidArgument;
    *size = ViewRect(0, 0, mWidth, mHeight);
    return kResultOk;
}

tresult PLUGIN_API EditorView::canResize()
{
    return kResultTrue;
}

tresult PLUGIN_API EditorView::checkSizeConstraint(ViewRect* rect)
{
    if (rect == nullptr)
        return kInvalidArgument;
    int32 w = 0, h = 0;
    X11EditorWindow::FitSize(mPlug.GetConfig(), std::int64_t{rect->right} - rect->left,
                             std::int64_t{rect->bottom} - rect->top, w, h);
    // An origin so far right or down that the size would not fit moves back.
    constexpr int32 kMax = std::numeric_limits<int32>::max();
    rect->left = std::min(rect->left, kMax - w);
    rect->top = std::min(rect->top, kMax - h);
    rect->right = rect->left + w;
    rect->bottom = rect->top + h;
    return kResultTrue;
}

tresult PLUGIN_API EditorView::onSize(ViewRect* newSize)
{
    if (newSize == nullptr)
        return kInvalidArgument;
    // The host's rectangle as it is: hosts keep the child window at the size they gave.
    constexpr std::int64_t kMax = std::numeric_limits<int32>::max();
    const auto w = static_cast<int>(
                   std::clamp<std::int64_t>(std::int64_t{newSize->right} - newSize->left, 1, kMax)),
               h = static_cast<int>(
                   std::clamp<std::int64_t>(std::int64_t{newSize->bottom} - newSize->top, 1, kMax));
    if (w == mWidth && h == mHeight)
        return kResultTrue;
    mWidth = w;
    mHeight = h;
    if (mAttached)
        mWindow.SetSize(mWidth, mHeight);
    return kResultTrue;
}

// ------------------------------------------------------------------ input

tresult PLUGIN_API EditorView::onWheel(float)
{
    return kResultFalse; // wheel events arrive on the window itself
}

tresult PLUGIN_API EditorView::onFocus(TBool)
{
    return kResultOk;
}

tresult PLUGIN_API EditorView::onKeyDown(char16 key, int16 keyCode, int16 modifiers)
{
    IKeyPress k;
    k.S = (modifiers & kModShift) != 0;
    k.C = (modifiers & (kModControl | kModCommand)) != 0;
    k.A = (modifiers & kModAlt) != 0;
    if (keyCode != 0)
        k.vk = lookUp(kVst3Keys, keyCode, EVirtualKey::Other);
    else if (key >= 0x20 && (key < 0xD800 || key > 0xDFFF))
    {
        const char16_t text[] = {key, 0};
        k.utf8 = iplug::Utf16ToUtf8(text);
    }
    else
        k.vk = EVirtualKey::Other;
    return mWindow.HandleKey(k) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API EditorView::onKeyUp(char16, int16, int16)
{
    return kResultFalse;
}

void PLUGIN_API EditorView::onFDIsSet(Linux::FileDescriptor)
{
    if (mAttached)
        mWindow.DrainEvents();
}

void PLUGIN_API EditorView::onTimer()
{
    // The host may remove and release the view from inside a call the idle tick makes.
    addRef();
    mPlug.RunIdleTick();
    tick();
    release();
}

void EditorView::tick()
{
    if (!mAttached)
        return;
    int w = 0, h = 0;
    if (mWindow.BeginFrame(w, h))
    {
        ViewRect r(0, 0, w, h);
        checkSizeConstraint(&r);
        if (r.getWidth() != mWidth || r.getHeight() != mHeight)
        {
            if (mFrame == nullptr || mFrame->resizeView(this, &r) != kResultTrue)
                onSize(&r);
        }
    }
    if (mAttached)
        mWindow.EndFrame();
}

} // namespace igraphics

// The wrapper's view hook lives beside the view, so the wrapper itself needs no X11: a view for
// every plug-in that has an editor factory.
Steinberg::IPlugView* iplug::IPlugVST3::CreateEditorView()
{
    if (!GetConfig().plugHasUI || !GetEditorFactory())
        return nullptr;
    return new igraphics::EditorView(*this);
}
