// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPlugLV2UI.h"

#include "X11EditorWindow.h"

#include <lv2/atom/util.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace iplug
{

namespace
{

class Lv2Ui final : public Lv2UiSink
{
public:
    Lv2Ui(IPlugLV2* model, int nChannels, LV2_URID_Map& map)
        : mModel(model), mWindow(*model, mMutex), mLayout{nChannels}, mUrids(Lv2MapMessageUrids(map)),
          mEventTransfer(map.map(map.handle, LV2_ATOM__eventTransfer))
    {
        lv2_atom_forge_init(&mForge, &map);
        mModel->SetUiSink(this);
    }
    ~Lv2Ui() override
    {
        sendEvent(mUrids.uiClosed);
        mWindow.Close();
        mModel->SetUiSink(nullptr);
    }

    bool Open(unsigned long parent, LV2UI_Write_Function write, LV2UI_Controller controller,
              const LV2UI_Resize* resize, const LV2UI_Touch* touch)
    {
        mWrite = write;
        mController = controller;
        mResize = resize;
        mTouch = touch;
        int w = 0, h = 0;
        igraphics::X11EditorWindow::DefaultSize(mModel->GetConfig(), w, h);
        if (!mWindow.Open(parent, w, h))
            return false;
        if (mResize != nullptr)
            mResize->ui_resize(mResize->handle, w, h);
        sendEvent(mUrids.uiOpen);
        return true;
    }
    unsigned long Window() const { return mWindow.GetWindow(); }

    void PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer)
    {
        if (buffer == nullptr)
            return;
        if (format == 0 && size == sizeof(float) && port >= mLayout.Param(0) &&
            port < mLayout.Param(mModel->NParams()))
        {
            const int idx = static_cast<int>(port - mLayout.Param(0));
            const double plain = Lv2PlainFromPortValue(*static_cast<const float*>(buffer));
            std::lock_guard lock(mMutex);
            IParam& p = *mModel->GetParam(idx);
            if (p.Value() == p.Constrain(plain))
                return; // our own edit coming back
            p.Set(plain);
            mModel->OnParamChange(idx);
            mModel->NoteHostValueChange(idx);
        }
        else if (format == 0 && size == sizeof(float) && port >= mLayout.Meter(0) &&
                 port < mLayout.Meter(kLv2NumMeters))
        {
            std::lock_guard lock(mMutex);
            IPlugBase::HostMeters m = mModel->GetModelMeters();
            double* levels[kLv2NumMeters] = {&m.inputPeakDb, &m.outputPeakDb, &m.gainReductionDb};
            *levels[port - mLayout.Meter(0)] = *static_cast<const float*>(buffer);
            mModel->SetModelMeters(m);
        }
        else if (format == mEventTransfer && port == mLayout.Notify())
        {
            Lv2Message m;
            if (Lv2ReadMessage(static_cast<const LV2_Atom*>(buffer), mUrids, mUrids.controlMessage, m))
            {
                std::lock_guard lock(mMutex);
                mModel->SendControlMsgFromDelegate(m.ctrlTag, m.msgTag, m.dataSize, m.data);
            }
        }
    }

    int Idle()
    {
        int w = 0, h = 0;
        // No descriptor of ours is watched under LV2: every idle call reads what the server sent.
        mWindow.DrainEvents();
        {
            std::lock_guard lock(mMutex);
            mModel->ShowHostValueChanges();
        }
        if (mWindow.BeginFrame(w, h))
        {
            igraphics::X11EditorWindow::FitSize(mModel->GetConfig(), w, h, w, h);
            if (mResize == nullptr || mResize->ui_resize(mResize->handle, w, h) == 0)
                mWindow.SetSize(w, h);
        }
        {
            std::lock_guard lock(mMutex);
            mModel->OnIdle();
        }
        mWindow.EndFrame();
        return 0;
    }

    int Resize(int width, int height)
    {
        mWindow.SetSize(width, height);
        return 0;
    }

    // --- Lv2UiSink
    void BeginEdit(int idx) override { touch(idx, true); }
    void Edit(int idx, double plain) override
    {
        const float v = static_cast<float>(plain);
        mWrite(mController, mLayout.Param(idx), sizeof v, 0, &v);
    }
    void EndEdit(int idx) override { touch(idx, false); }
    void Message(int msgTag, int ctrlTag, int dataSize, const void* data) override
    {
        mBuffer.resize(Lv2MessageSize(dataSize));
        lv2_atom_forge_set_buffer(&mForge, mBuffer.data(), mBuffer.size());
        if (Lv2WriteMessage(mForge, mUrids, mUrids.uiMessage, {msgTag, ctrlTag, dataSize, data}))
            writeAtom();
    }

private:
    void touch(int idx, bool grabbed)
    {
        if (mTouch != nullptr)
            mTouch->touch(mTouch->handle, mLayout.Param(idx), grabbed);
    }
    void sendEvent(LV2_URID type)
    {
        if (mWrite == nullptr)
            return;
        mBuffer.resize(64);
        lv2_atom_forge_set_buffer(&mForge, mBuffer.data(), mBuffer.size());
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&mForge, &frame, 0, type);
        lv2_atom_forge_pop(&mForge, &frame);
        writeAtom();
    }
    void writeAtom()
    {
        const auto* atom = reinterpret_cast<const LV2_Atom*>(mBuffer.data());
        mWrite(mController, mLayout.Control(), lv2_atom_total_size(atom), mEventTransfer, atom);
    }

    std::unique_ptr<IPlugLV2> mModel;
    std::recursive_mutex mMutex;
    igraphics::X11EditorWindow mWindow;
    Lv2PortLayout mLayout;
    Lv2MessageUrids mUrids;
    LV2_URID mEventTransfer;
    LV2_Atom_Forge mForge{};
    std::vector<std::uint8_t> mBuffer;
    LV2UI_Write_Function mWrite = nullptr;
    LV2UI_Controller mController = nullptr;
    const LV2UI_Resize* mResize = nullptr;
    const LV2UI_Touch* mTouch = nullptr;
};

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

} // namespace

LV2UI_Handle Lv2UiInstantiate(const Lv2UiInfo& info, Lv2UiCreateFunc create, const char* pluginUri,
                              LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                              const LV2_Feature* const* features)
{
    int nChannels = 0;
    for (int i = 0; i < info.nPlugins; ++i)
        if (pluginUri != nullptr && std::strcmp(info.plugins[i]->uri, pluginUri) == 0)
            nChannels = info.plugins[i]->nChannels;
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
    if (nChannels == 0 || parent == nullptr || map == nullptr || write == nullptr || widget == nullptr)
    {
        std::fprintf(stderr, "pomelu: the LV2 UI needs ui:parent and urid:map and one of its own plug-ins\n");
        return nullptr;
    }
    auto ui = std::make_unique<Lv2Ui>(create(), nChannels, *map);
    if (!ui->Open(reinterpret_cast<unsigned long>(parent), write, controller,
                  static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)),
                  static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch))))
        return nullptr;
    *widget = reinterpret_cast<LV2UI_Widget>(ui->Window());
    return ui.release();
}

void Lv2UiCleanup(LV2UI_Handle handle)
{
    delete static_cast<Lv2Ui*>(handle);
}

void Lv2UiPortEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                    const void* buffer)
{
    static_cast<Lv2Ui*>(handle)->PortEvent(port, size, format, buffer);
}

const void* Lv2UiExtensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idle{[](LV2UI_Handle h) { return static_cast<Lv2Ui*>(h)->Idle(); }};
    static const LV2UI_Resize resize{nullptr, [](LV2UI_Feature_Handle h, int w, int hgt)
                                     { return static_cast<Lv2Ui*>(h)->Resize(w, hgt); }};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idle;
    if (std::strcmp(uri, LV2_UI__resize) == 0)
        return &resize;
    return nullptr;
}

} // namespace iplug
