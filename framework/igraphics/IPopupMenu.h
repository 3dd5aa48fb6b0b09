// SPDX-License-Identifier: GPL-3.0-or-later
// Popup menus with submenus and check marks, and the control that shows one over the editor.
#pragma once

#include "IControl.h"

#include <memory>
#include <string>
#include <vector>

namespace igraphics
{

// A menu: items with text, optional check mark, optional submenu (owned by the item). Records the
// index of the item chosen the last time it was shown.
class IPopupMenu
{
public:
    class Item
    {
    public:
        Item(const char* text, std::unique_ptr<IPopupMenu> subMenu = nullptr, int tag = -1);
        const char* GetText() const { return mText.c_str(); }
        bool GetChecked() const { return mChecked; }
        void SetChecked(bool c) { mChecked = c; }
        bool GetEnabled() const { return mEnabled; }
        void SetEnabled(bool e) { mEnabled = e; }
        IPopupMenu* GetSubmenu() const { return mSubmenu.get(); }
        int GetTag() const { return mTag; }

    private:
        std::string mText;
        std::unique_ptr<IPopupMenu> mSubmenu;
        int mTag;
        bool mChecked = false;
        bool mEnabled = true;
    };

    explicit IPopupMenu(const char* rootTitle = "", std::initializer_list<const char*> items = {});

    Item* AddItem(const char* text, int tag = -1);
    // Adds an item opening subMenu (the menu takes ownership).
    Item* AddItem(const char* text, std::unique_ptr<IPopupMenu> subMenu, int tag = -1);
    int NItems() const { return static_cast<int>(mItems.size()); }
    Item* GetItem(int idx) const;
    // Index of the first item with this text, or -1.
    int FindItem(const char* text) const;
    const char* GetRootTitle() const { return mTitle.c_str(); }
    void CheckItem(int idx, bool checked);
    // Checks idx and unchecks every other item (a one-of-many choice).
    void CheckItemAlone(int idx);
    bool IsItemChecked(int idx) const;
    // The checked item's index, or -1.
    int GetCheckedIdx() const;
    int GetChosenItemIdx() const { return mChosen; }
    void SetChosenItemIdx(int idx) { mChosen = idx; }
    Item* GetChosenItem() const { return GetItem(mChosen); }

private:
    std::string mTitle;
    std::vector<std::unique_ptr<Item>> mItems;
    int mChosen = -1;
};

// Shows a menu and its open submenus as panels over every control. While open it takes every mouse
// event: a press on an item with a submenu (or hovering it) opens the submenu to its side, a press
// on another enabled item chooses it, a press outside (or Escape) dismisses the menu. The caller's
// OnPopupMenuSelection receives the (sub)menu whose item was chosen, or nullptr.
class IPopupMenuControl : public IControl
{
public:
    static constexpr float kItemHeight = 20.0f;

    IPopupMenuControl();
    void Open(IControl& caller, IPopupMenu& menu, float x, float y, int valIdx);
    void Close();
    bool IsOpen() const { return mCaller != nullptr; }
    // Open panels, root first, and their rectangles (logical units).
    int NOpenLevels() const { return static_cast<int>(mLevels.size()); }
    IRECT GetLevelRECT(int level) const;
    // The rectangle of item idx in the panel of the given level.
    IRECT GetItemRECT(int level, int idx) const;

    void Draw(IGraphics& g) override;
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseOver(float x, float y, const IMouseMod& mod) override;
    void OnMouseDblClick(float, float, const IMouseMod&) override {}
    bool OnKeyDown(float x, float y, const IKeyPress& key) override;

private:
    struct Level
    {
        IPopupMenu* menu = nullptr;
        IRECT rect;
        int hover = -1;
    };
    float headerHeight(int level) const;
    void openLevel(IPopupMenu& menu, float x, float y, float parentLeft);
    bool hit(float x, float y, int& level, int& item) const;
    void updateBounds();
    void finish(IPopupMenu* chosen);

    IControl* mCaller = nullptr;
    int mValIdx = 0;
    std::vector<Level> mLevels;
};

} // namespace igraphics
