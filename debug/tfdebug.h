#pragma once
// The debug window: a second, modeless window for authors in debug mode. Four
// pages — the script errors reported so far, the 512 flags (editable), the
// interpreter's run-time status and any of the 17 surfaces — and two buttons
// that hide the window or end the program at once.
//
// It draws itself into a client-sized surface; the engine shows that surface in
// a desktop window of its own and hands it that window's input.
#include "debug/debug_host.h"
#include "debug/snapshot_view.h"
#include "ui/button.h"
#include "ui/combo_box.h"
#include "ui/edit_field.h"
#include "ui/label.h"
#include "ui/list_box.h"
#include "ui/tab_control.h"

#include <memory>
#include <string>
#include <vector>

namespace qvl {

// The status list's lines after 更新, in order.
std::vector<std::string> statusLines(const DebugStatus& status);
// The line of the status list that shows the line being executed.
std::string runningScriptLine(const DebugStatus& status);
// The line that shows the current directory.
std::string currentDirLine(const DebugStatus& status);

class TFdebug {
public:
    static constexpr int kClientWidth = 459;
    static constexpr int kClientHeight = 315;
    enum Page { kErrorPage, kFlagPage, kStatusPage, kSurfacePage };

    explicit TFdebug(DebugHost& host);
    TFdebug(const TFdebug&) = delete;
    TFdebug& operator=(const TFdebug&) = delete;

    // Every reported error, whether debug mode is on or not.
    void AddError(std::string line);
    // Flag k changed: its line is rewritten, once the list has lines.
    void FlagChanged(int index);
    // All flags may have changed: every line is rewritten, once the list has lines.
    void FlagsReloaded();
    // The 512 lines, when the list is empty.
    void FillFlagList();
    // The window is about to be shown: the status list starts over with the line
    // being executed and the current directory.
    void FormShow();

    // What the buttons and the surface list do; the same as a click on them.
    void setFlagFromEdit();   // SET
    void forceUpdate();       // 強制更新
    void updateStatus();      // 更新
    void chooseSurface(int n);
    // A flag row picked as a click would pick it.
    void selectFlag(int index);
    // The button with this caption pressed; false when there is none on the page shown.
    bool pressButton(const std::string& sjisCaption);

    // Input in client coordinates; true when the window must be drawn again.
    bool handle(const platform::Event& event);
    // Draws the whole window; the result stays in frame().
    const Surface& draw(platform::FontEngine& fonts);
    const Surface& frame() const { return frame_; }

    // The form's controls. Positions are in client pixels; the pages' controls
    // sit inside PageControl1's page area.
    ui::TabControl* PageControl1;
    ui::ListBox* ErrList;
    ui::ListBox* ValList;
    ui::Label* Label5;
    ui::Label* Label6;
    ui::EditField* ValEdit1;
    ui::Button* Button3;
    ui::Button* Button5;
    ui::Label* Label7;
    ui::ListBox* ListBox1;
    ui::Button* Button2;
    SnapshotView* Image1;
    ui::ComboBox* ComboBox1;
    ui::Label* Label4;
    ui::Label* Label1;
    ui::Label* Label2;
    ui::Label* Label3;
    ui::Button* Button1;
    ui::Button* Button4;

private:
    template <class W, class... Args>
    W* add(int page, Args&&... args);
    Rect onPage(int x, int y, int w, int h) const;
    void showPage(int page);
    void setFocus(ui::Widget* widget);
    ui::Widget* widgetAt(int x, int y) const;
    bool routeMouse(const platform::Event& event);
    void rewriteFlagRow(int index);

    DebugHost& host_;
    std::vector<std::unique_ptr<ui::Widget>> widgets_;  // in drawing order
    std::vector<int> pageOf_;                           // -1: on every page
    ui::Widget* focus_ = nullptr;
    ui::Widget* capture_ = nullptr;
    bool textInput_ = false;
    Surface frame_;
};

}  // namespace qvl
