// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPopupMenu.h"

#include "IGraphics.h"

#include <cstring>

namespace igraphics
{

// ------------------------------------------------------------------ menu

IPopupMenu::Item::Item(const char* text, std::unique_ptr<IPopupMenu> subMenu, int tag)
    : mText(text != nullptr ? text : ""), mSubmenu(std::move(subMenu)), mTag(tag)
{
}

IPopupMenu::IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items)
    : mTitle(rootTitle != nullptr ? rootTitle : "")
{
    for (const char* t : items)
        AddItem(t);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int tag)
{
    return AddItem(text, nullptr, tag);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, std::unique_ptr<IPopupMenu> subMenu, int tag)
{
    mItems.push_back(std::make_unique<Item>(text, std::move(subMenu), tag));
    return mItems.back().get();
}

IPopupMenu::Item* IPopupMenu::GetItem(int idx) const
{
    return idx >= 0 && idx < NItems() ? mItems[static_cast<std::size_t>(idx)].get() : nullptr;
}

int IPopupMenu::FindItem(const char* text) const
{
    for (int i = 0; i < NItems(); ++i)
        if (std::strcmp(mItems[static_cast<std::size_t>(i)]->GetText(), text) == 0)
            return i;
    return -1;
}

void IPopupMenu::CheckItem(int idx, bool checked)
{
    if (Item* it = GetItem(idx))
        it->SetChecked(checked);
}

void IPopupMenu::CheckItemAlone(int idx)
{
    for (int i = 0; i < NItems(); ++i)
        mItems[static_cast<std::size_t>(i)]->SetChecked(i == idx);
}

bool IPopupMenu::IsItemChecked(int idx) const
{
    const Item* it = GetItem(idx);
    return it != nullptr && it->GetChecked();
}

int IPopupMenu::GetCheckedIdx() const
{
    for (int i = 0; i < NItems(); ++i)
        if (mItems[static_cast<std::size_t>(i)]->GetChecked())
            return i;
    return -1;
}

// ------------------------------------------------------------------ control

namespace
{

const IText kItemText(12.0f, IColor(255, 30, 30, 30), "Roboto", EAlign::Near, EVAlign::Middle);
constexpr float kCheckWidth = 18.0f; // room for the check mark before the text
constexpr float kArrowWidth = 16.0f; // room for the submenu arrow after it

} // namespace

IPopupMenuControl::IPopupMenuControl() : IControl(IRECT{})
{
    Hide(true);
}

float IPopupMenuControl::headerHeight(int level) const
{
    return level == 0 && *mLevels[0].menu->GetRootTitle() != '\0' ? kItemHeight : 0.0f;
}

IRECT IPopupMenuControl::GetLevelRECT(int level) const
{
    return level >= 0 && level < NOpenLevels() ? mLevels[static_cast<std::size_t>(level)].rect : IRECT{};
}

IRECT IPopupMenuControl::GetItemRECT(int level, int idx) const
{
    const IRECT r = GetLevelRECT(level);
    const float top = r.T + headerHeight(level) + idx * kItemHeight;
    return {r.L, top, r.R, top + kItemHeight};
}

void IPopupMenuControl::Open(IControl& caller, IPopupMenu& menu, float x, float y, int valIdx)
{
    Close();
    mCaller = &caller;
    mValIdx = valIdx;
    menu.SetChosenItemIdx(-1);
    openLevel(menu, x, y, x);
    Hide(false);
}

void IPopupMenuControl::openLevel(IPopupMenu& menu, float x, float y, float parentLeft)
{
    IGraphics* ui = GetUI();
    float w = 60.0f;
    for (int i = 0; i < menu.NItems(); ++i)
        w = std::max(w, ui->MeasureText(kItemText, menu.GetItem(i)->GetText()));
    if (mLevels.empty())
        w = std::max(w, ui->MeasureText(kItemText, menu.GetRootTitle()));
    w += kCheckWidth + kArrowWidth;
    const float h =
        menu.NItems() * kItemHeight + (mLevels.empty() && *menu.GetRootTitle() != '\0' ? kItemHeight : 0.0f);
    const IRECT page = ui->GetBounds();
    // Keep the panel on the page: a submenu that would leave it on the right opens to the left.
    if (x + w > page.R)
        x = mLevels.empty() ? page.R - w : parentLeft - w;
    x = std::max(page.L, x);
    y = std::clamp(y, page.T, std::max(page.T, page.B - h));
    mLevels.push_back({&menu, IRECT::MakeXYWH(x, y, w, h), -1});
    updateBounds();
}

void IPopupMenuControl::updateBounds()
{
    IRECT all;
    for (const Level& l : mLevels)
        all = all.Union(l.rect.GetPadded(0.0f, 0.0f, 3.0f, 3.0f)); // room for the drop shadow
    if (GetUI() != nullptr)
        GetUI()->SetRegionDirty(GetRECT());
    SetTargetAndDrawRECTs(all);
    SetDirty(false);
}

void IPopupMenuControl::Close()
{
    if (!IsOpen())
        return;
    mCaller = nullptr;
    mLevels.clear();
    if (GetUI() != nullptr)
        GetUI()->SetRegionDirty(GetRECT());
    Hide(true);
}

void IPopupMenuControl::finish(IPopupMenu* chosen)
{
    IControl* caller = mCaller;
    const int valIdx = mValIdx;
    Close();
    if (caller != nullptr)
        caller->OnPopupMenuSelection(chosen, valIdx);
}

bool IPopupMenuControl::hit(float x, float y, int& level, int& item) const
{
    for (int l = NOpenLevels() - 1; l >= 0; --l)
    {
        const IRECT r = GetLevelRECT(l);
        if (!r.Contains(x, y))
            continue;
        level = l;
        const float rel = y - r.T - headerHeight(l);
        item = rel < 0.0f ? -1 : static_cast<int>(rel / kItemHeight);
        if (item >= mLevels[static_cast<std::size_t>(l)].menu->NItems())
            item = -1;
        return true;
    }
    return false;
}

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod&)
{
    int level = -1, item = -1;
    if (!hit(x, y, level, item))
    {
        finish(nullptr);
        return;
    }
    if (item < 0)
        return; // the title row
    IPopupMenu* menu = mLevels[static_cast<std::size_t>(level)].menu;
    const IPopupMenu::Item* it = menu->GetItem(item);
    if (!it->GetEnabled())
        return;
    if (IPopupMenu* sub = it->GetSubmenu())
    {
        mLevels.resize(static_cast<std::size_t>(level) + 1);
        mLevels.back().hover = item;
        const IRECT r = GetItemRECT(level, item);
        openLevel(*sub, r.R, r.T, r.L);
        return;
    }
    menu->SetChosenItemIdx(item);
    finish(menu);
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod&)
{
    int level = -1, item = -1;
    if (!hit(x, y, level, item))
        return;
    Level& l = mLevels[static_cast<std::size_t>(level)];
    if (l.hover == item)
        return;
    l.hover = item;
    // Hovering another item of a panel closes the submenus opened from it; a submenu item opens.
    if (static_cast<int>(mLevels.size()) > level + 1)
    {
        mLevels.resize(static_cast<std::size_t>(level) + 1);
        updateBounds();
    }
    const IPopupMenu::Item* it = l.menu->GetItem(item);
    if (it != nullptr && it->GetEnabled() && it->GetSubmenu() != nullptr)
    {
        const IRECT r = GetItemRECT(level, item);
        openLevel(*it->GetSubmenu(), r.R, r.T, r.L);
    }
    SetDirty(false);
}

bool IPopupMenuControl::OnKeyDown(float, float, const IKeyPress& key)
{
    if (key.vk != EVirtualKey::Escape)
        return false;
    finish(nullptr);
    return true;
}

void IPopupMenuControl::Draw(IGraphics& g)
{
    for (int l = 0; l < NOpenLevels(); ++l)
    {
        const Level& level = mLevels[static_cast<std::size_t>(l)];
        const IRECT r = level.rect;
        g.FillRect(IColor(60, 0, 0, 0), r.GetTranslated(3.0f, 3.0f));
        g.FillRect(IColor(255, 250, 248, 252), r);
        g.DrawRect(IColor(255, 120, 110, 130), r);
        if (headerHeight(l) > 0.0f)
        {
            const IRECT head = r.GetFromTop(kItemHeight);
            g.FillRect(IColor(255, 232, 226, 238), head);
            g.DrawText(kItemText, level.menu->GetRootTitle(), head.GetReducedFromLeft(6.0f));
        }
        for (int i = 0; i < level.menu->NItems(); ++i)
        {
            const IPopupMenu::Item* it = level.menu->GetItem(i);
            const IRECT ir = GetItemRECT(l, i);
            if (i == level.hover && it->GetEnabled())
                g.FillRect(IColor(255, 200, 214, 250), ir);
            const IColor ink = it->GetEnabled() ? kItemText.fgColor : IColor(255, 150, 150, 150);
            if (it->GetChecked())
            {
                // A drawn tick, independent of the fonts' glyphs.
                const float cx = ir.L + 9.0f, cy = ir.MH();
                g.PathClear();
                g.PathMoveTo(cx - 4.0f, cy);
                g.PathLineTo(cx - 1.0f, cy + 3.5f);
                g.PathLineTo(cx + 4.5f, cy - 4.0f);
                IStrokeOptions round;
                round.cap = ELineCap::Round;
                round.join = ELineJoin::Round;
                g.PathStroke(ink, 1.8f, round);
            }
            g.DrawText(kItemText.WithFGColor(ink), it->GetText(), ir.GetReducedFromLeft(kCheckWidth));
            if (it->GetSubmenu() != nullptr)
            {
                const float x[3] = {ir.R - 11.0f, ir.R - 6.0f, ir.R - 11.0f};
                const float y[3] = {ir.MH() - 4.0f, ir.MH(), ir.MH() + 4.0f};
                g.FillPolygon(ink, x, y, 3);
            }
        }
    }
}

} // namespace igraphics
