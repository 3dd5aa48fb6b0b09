// SPDX-License-Identifier: GPL-3.0-or-later
#include "ITextEntryControl.h"

#include "IGraphics.h"

namespace igraphics
{

namespace
{

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The start of the character before byte i (i > 0) and of the one after the character at i
// (i < s.size()).
std::size_t previousCharacter(const std::string& s, std::size_t i)
{
    do
        --i;
    while (i > 0 && isContinuation(s[i]));
    return i;
}

std::size_t nextCharacter(const std::string& s, std::size_t i)
{
    do
        ++i;
    while (i < s.size() && isContinuation(s[i]));
    return i;
}

} // namespace

ITextEntryControl::ITextEntryControl() : IControl(IRECT{})
{
    Hide(true);
}

void ITextEntryControl::Open(IControl& caller, const IText& text, const IRECT& r, const char* str, int valIdx)
{
    if (IsOpen())
        Close();
    mCaller = &caller;
    mValIdx = valIdx;
    mText = text;
    mStr = str != nullptr ? str : "";
    mCaret = mStr.size();
    mAllSelected = true;
    mRefused = false;
    SetTargetAndDrawRECTs(r);
    Hide(false);
    SetDirty(false);
}

void ITextEntryControl::Commit()
{
    if (!IsOpen())
        return;
    if (mCaller->OnTextEntryCompletion(mStr.c_str(), mValIdx))
        Close();
    else
    {
        mRefused = true;
        SetDirty(false);
    }
}

void ITextEntryControl::Close()
{
    if (!IsOpen())
        return;
    mCaller = nullptr;
    if (GetUI() != nullptr)
        GetUI()->SetRegionDirty(GetRECT());
    Hide(true);
}

void ITextEntryControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    g.FillRect(COLOR_WHITE, r);
    g.DrawRect(mRefused ? COLOR_RED : IColor(255, 60, 60, 60), r, nullptr, mRefused ? 2.0f : 1.0f);
    IText t = mText;
    t.fgColor = COLOR_BLACK;
    IRECT box;
    g.MeasureText(t, mStr.c_str(), r, &box);
    if (mAllSelected && !mStr.empty())
        g.FillRect(IColor(110, 80, 140, 255), box);
    g.DrawText(t, mStr.c_str(), r);
    if (!mAllSelected)
    {
        const std::string head = mStr.substr(0, mCaret);
        const float x = box.L + g.MeasureText(t, head.c_str());
        g.DrawLine(COLOR_BLACK, x, box.T, x, box.B, nullptr, 1.0f);
    }
}

bool ITextEntryControl::OnKeyDown(float, float, const IKeyPress& key)
{
    if (!IsOpen())
        return false;
    const bool wasSelected = mAllSelected;
    auto clearIfSelected = [&]
    {
        if (wasSelected)
        {
            mStr.clear();
            mCaret = 0;
        }
    };
    mAllSelected = false;
    switch (key.vk)
    {
    case EVirtualKey::Text:
        if (key.utf8.empty() || static_cast<unsigned char>(key.utf8[0]) < 0x20 || key.C)
        {
            mAllSelected = wasSelected;
            return false;
        }
        clearIfSelected();
        mStr.insert(mCaret, key.utf8);
        mCaret += key.utf8.size();
        break;
    case EVirtualKey::Backspace:
        if (wasSelected)
            clearIfSelected();
        else if (mCaret > 0)
        {
            const std::size_t start = previousCharacter(mStr, mCaret);
            mStr.erase(start, mCaret - start);
            mCaret = start;
        }
        break;
    case EVirtualKey::Delete:
        if (wasSelected)
            clearIfSelected();
        else if (mCaret < mStr.size())
            mStr.erase(mCaret, nextCharacter(mStr, mCaret) - mCaret);
        break;
    case EVirtualKey::Left:
        if (wasSelected)
            mCaret = 0;
        else if (mCaret > 0)
            mCaret = previousCharacter(mStr, mCaret);
        break;
    case EVirtualKey::Right:
        if (!wasSelected && mCaret < mStr.size())
            mCaret = nextCharacter(mStr, mCaret);
        break;
    case EVirtualKey::Home:
        mCaret = 0;
        break;
    case EVirtualKey::End:
        mCaret = mStr.size();
        break;
    case EVirtualKey::Return:
        Commit();
        return true;
    case EVirtualKey::Escape:
        Close();
        return true;
    default:
        mAllSelected = wasSelected;
        return false;
    }
    mRefused = false;
    SetDirty(false);
    return true;
}

void ITextEntryControl::OnMouseDown(float, float, const IMouseMod&)
{
    // A click inside places the caret at the end: simple, and never loses typed text.
    mAllSelected = false;
    mCaret = mStr.size();
    SetDirty(false);
}

} // namespace igraphics
