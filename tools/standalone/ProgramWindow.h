// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pomelu::host
{
class RunLoop;
}

namespace pomelu::tools
{

// The standalone's top-level X11 window: a menu bar of the program's own ("File", "Presets") above
// the plug-in's editor, which is embedded below it as a child window and keeps its own size (the
// window follows it; a resize by the user goes to it). The bar also holds the path prompt of
// "Open State…" and "Save State As…" and one line of news (what was loaded or saved, or why not).
// Shortcuts work wherever the pointer is in the window: Ctrl+O, Ctrl+S, Ctrl+Shift+S, Ctrl+Q.
// Its own connection to the X server, registered with the run loop; drawn with Cairo.
// Threads: the UI thread that runs the loop, for every call and every action.
class ProgramWindow
{
public:
    // What the menus do. Open and save return an empty string on success, else a one-line reason
    // (shown in the bar); theme gives the "Theme" parameter's value the bar takes its colours from.
    struct Actions
    {
        std::function<void(int index)> pickPreset;
        std::function<std::string(const std::string& path)> openState;
        std::function<std::string(const std::string& path)> saveState;
        std::function<double()> theme;
    };

    static constexpr int kBarHeight = 28; // pixels above the editor

    // Connects to $DISPLAY and creates the (still unmapped) window; nullptr with the reason in
    // `error` when there is no display.
    static std::unique_ptr<ProgramWindow> open(host::RunLoop& loop, const std::string& title,
                                               std::vector<std::string> presets, Actions actions,
                                               std::string& error);
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow&) = delete;
    ProgramWindow& operator=(const ProgramWindow&) = delete;

    // The X window the editor's own window is to be created in.
    unsigned long id() const;
    // Takes the editor's window (a child of id()) below the bar, sizes itself to it and shows.
    void embed(unsigned long editorWindow);

    // The window manager's close, or Quit.
    bool quitRequested() const { return quit; }
    // Redraws the bar when the theme changed since it was last drawn.
    void refresh();

private:
    struct X;
    explicit ProgramWindow(std::unique_ptr<X> x);
    void processEvents();
    void key(void* event);
    void press(int x, int y);
    void menuEvent(int type, int x, int y);
    void openMenu(int index);
    void closeMenu();
    void startPrompt(bool saving);
    void endPrompt(bool accept);
    void save();
    void run(int menu, int item);
    void fitToEditor(int width, int height);
    void draw();
    void drawMenu();
    void tell(const std::string& text, bool error);

    std::unique_ptr<X> x;
    std::vector<std::string> presets;
    Actions actions;
    bool quit = false;
    int openMenuIndex = -1;
    int hotItem = -1;
    bool prompting = false, promptSaves = false;
    std::string promptText;
    bool promptSelected = false; // the suggested path, replaced by what is typed
    std::string currentFile;     // the state file last opened or saved
    std::string news;
    bool newsIsError = false;
    double drawnTheme = -1.0;
};

} // namespace pomelu::tools
