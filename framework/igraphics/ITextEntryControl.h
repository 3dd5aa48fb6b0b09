// SPDX-License-Identifier: GPL-3.0-or-later
// The text entry the editor opens over a control to type a value. One per graphics context,
// drawn over every control; keys reach it through IGraphics::OnKeyDown (the host's key calls and
// the window's X key events share that one handler).
#pragma once

#include "IControl.h"

#include <string>

namespace igraphics
{

class ITextEntryControl : public IControl
{
public:
    ITextEntryControl();

    // Shows str in r, all of it selected (the first key typed replaces it).
    void Open(IControl& caller, const IText& text, const IRECT& r, const char* str, int valIdx);
    // Hands the text to the caller; closes when accepted, else stays open marked as refused.
    void Commit();
    // Closes without a result.
    void Close();
    bool IsOpen() const { return mCaller != nullptr; }
    const std::string& GetText() const { return mStr; }
    // The last Commit was refused and nothing was typed since.
    bool IsRefused() const { return mRefused; }

    void Draw(IGraphics& g) override;
    // Printable text inserts at the caret; Backspace, Delete, Left, Right, Home, End edit; Return
    // commits; Escape closes; Tab and other keys are not used (false).
    bool OnKeyDown(float x, float y, const IKeyPress& key) override;
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseDblClick(float, float, const IMouseMod&) override {}

private:
    IControl* mCaller = nullptr;
    int mValIdx = 0;
    IText mText;
    std::string mStr;
    std::size_t mCaret = 0; // byte offset, always at a character boundary
    bool mAllSelected = false;
    bool mRefused = false;
};

} // namespace igraphics
