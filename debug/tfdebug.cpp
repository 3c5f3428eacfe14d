#include "debug/tfdebug.h"

#include "debug/debug_texts.h"
#include "graphics/surface_bank.h"
#include "platform/encoding.h"
#include "script/flag_store.h"
#include "ui/theme.h"

#include <algorithm>

namespace qvl {

using platform::Event;

namespace {

// Longer than any flag a script can build in one line; the field never cuts a
// text that is shown in it.
constexpr std::size_t kEditLimit = 32767;
// The face of the window, around and under the controls.
constexpr uint32_t kFace = ui::kFaceColour;

std::string decimal(int32_t v) { return std::to_string(v); }

}  // namespace

std::string runningScriptLine(const DebugStatus& s) {
    if (!s.runningLine) return debugText(DebugText::NotRunning);
    const std::string& line = *s.runningLine;
    std::size_t start = 0;
    while (start < line.size() && static_cast<unsigned char>(line[start]) <= 32) ++start;
    // Built by appending: GCC's optimiser sees overlaps in a chain of + that are not there.
    std::string out(1, '"');
    out.append(line, start, std::string::npos);
    out += '"';
    return out;
}

std::string currentDirLine(const DebugStatus& s) {
    std::string out = debugText(DebugText::CurrentDir);
    out.append(s.currentDirectory);
    out += '"';
    return out;
}

std::vector<std::string> statusLines(const DebugStatus& s) {
    return {
        "LogTotalPage:" + decimal(s.LogTotalPage),
        "LogCurrentPage:" + decimal(s.LogCurrentPage),
        "LogCurrentLine:" + decimal(s.LogCurrentLine),
        "SaveLogStartPage:" + decimal(s.SaveLogStartPage),
        "SaveLogTotalPage:" + decimal(s.SaveLogTotalPage),
        "ProgFileName:" + s.ProgFileName,
        "ProgChapter:" + s.ProgChapter,
        "ProgExecLine:" + decimal(s.ProgExecLine),
        "ProgNextLine:" + decimal(s.ProgNextLine),
        "ProgRetStack:" + decimal(s.ProgRetStack),
        "Prog[_if]Result:" + decimal(s.ProgIfResult),
        "Prog[_sel]Result:" + decimal(s.ProgSelResult),
        "ProgMultiStateFlag:" + decimal(s.ProgMultiStateFlag),
        "ProgRunningScript:",
        runningScriptLine(s),
        currentDirLine(s),
    };
}

template <class W, class... Args>
W* TFdebug::add(int page, Args&&... args) {
    auto widget = std::make_unique<W>(std::forward<Args>(args)...);
    W* raw = widget.get();
    widgets_.push_back(std::move(widget));
    pageOf_.push_back(page);
    return raw;
}

Rect TFdebug::onPage(int x, int y, int w, int h) const {
    const Rect page = PageControl1->pageRect();
    return {page.x + x, page.y + y, w, h};
}

TFdebug::TFdebug(DebugHost& host) : host_(host), frame_(kClientWidth, kClientHeight, kFace) {
    PageControl1 = add<ui::TabControl>(-1, Rect{0, 0, 457, 273},
                                       std::vector<std::string>{debugText(DebugText::ErrorTab),
                                                                debugText(DebugText::FlagTab),
                                                                debugText(DebugText::StatusTab),
                                                                debugText(DebugText::SurfaceTab)});

    ErrList = add<ui::ListBox>(kErrorPage, onPage(8, 8, 433, 233));

    ValList = add<ui::ListBox>(kFlagPage, onPage(8, 8, 233, 233));
    Label5 = add<ui::Label>(kFlagPage, onPage(256, 8, 44, 14), debugText(DebugText::Selection));
    Label6 = add<ui::Label>(kFlagPage, onPage(300, 8, 60, 14), "");
    ValEdit1 = add<ui::EditField>(kFlagPage, onPage(256, 32, 113, 20), kEditLimit);
    Button3 = add<ui::Button>(kFlagPage, onPage(384, 32, 57, 21), debugText(DebugText::Set));
    Button5 = add<ui::Button>(kFlagPage, onPage(384, 72, 57, 25), debugText(DebugText::ForceUpdate));
    Label7 = add<ui::Label>(kFlagPage, onPage(256, 144, 190, 14), debugText(DebugText::AutoUpdated));

    ListBox1 = add<ui::ListBox>(kStatusPage, onPage(8, 8, 433, 196));
    Button2 = add<ui::Button>(kStatusPage, onPage(192, 216, 75, 25), debugText(DebugText::Update));

    Image1 = add<SnapshotView>(kSurfacePage, onPage(8, 0, 320, 240));
    std::vector<std::string> names;
    for (int n = 0; n < kSurfaceCount; ++n) names.push_back(platform::utf8ToSjis(surfaceDebugLabel(n)));
    Label4 = add<ui::Label>(kSurfacePage, onPage(344, 32, 105, 14), debugText(DebugText::ChooseAgain));
    Label1 = add<ui::Label>(kSurfacePage, onPage(344, 56, 105, 14), "");
    Label2 = add<ui::Label>(kSurfacePage, onPage(344, 80, 105, 14), "");
    Label3 = add<ui::Label>(kSurfacePage, onPage(344, 104, 105, 14), "");
    // Last of the page, so its open list lies over the labels below it.
    ComboBox1 = add<ui::ComboBox>(kSurfacePage, onPage(336, 8, 105, ui::ComboBox::kHeight), std::move(names));
    ComboBox1->setBottomLimit(kClientHeight);

    Button1 = add<ui::Button>(-1, Rect{16, 280, 105, 25}, debugText(DebugText::Close));
    Button4 = add<ui::Button>(-1, Rect{336, 280, 113, 25}, debugText(DebugText::EndProgram));

    ValList->onSelect = [this](int row) {
        Label6->setText(decimal(row));
        ValEdit1->setText(host_.flagText(row));
    };
    Button3->onClick = [this] { setFlagFromEdit(); };
    Button5->onClick = [this] { forceUpdate(); };
    Button2->onClick = [this] { updateStatus(); };
    ComboBox1->onChange = [this](int n) { chooseSurface(n); };
    Button1->onClick = [this] { host_.hideWindow(); };
    Button4->onClick = [this] { host_.endProgram(); };

    PageControl1->select(kFlagPage);  // the flag list is what an author looks at first
    showPage(kFlagPage);
    PageControl1->onChange = [this](int page) { showPage(page); };
}

void TFdebug::AddError(std::string line) {
    // The same bound as the engine's own list: a loop that fails on every pass
    // must not grow the window without end.
    constexpr std::size_t kLimit = 4096;
    if (ErrList->rows().size() >= kLimit) {
        std::vector<std::string> rows(ErrList->rows().begin() + 1, ErrList->rows().end());
        ErrList->setRows(std::move(rows));
    }
    ErrList->addRow(std::move(line));
}

void TFdebug::rewriteFlagRow(int index) {
    ValList->setRow(index, flagRowText(index, host_.flagText(index)));
}

void TFdebug::FlagChanged(int index) {
    if (index < 0 || index >= int(ValList->rows().size())) return;
    rewriteFlagRow(index);
}

void TFdebug::FlagsReloaded() {
    if (ValList->rows().empty()) return;
    for (int i = 0; i < kFlagCount; ++i) rewriteFlagRow(i);
}

void TFdebug::FillFlagList() {
    if (!ValList->rows().empty()) return;
    for (int i = 0; i < kFlagCount; ++i) ValList->addRow(flagRowText(i, host_.flagText(i)));
}

void TFdebug::FormShow() {
    const DebugStatus s = host_.status();
    ListBox1->setRows({runningScriptLine(s), currentDirLine(s)});
}

void TFdebug::setFlagFromEdit() {
    const int row = ValList->selected();
    if (row < 0) return;
    // Taken as typed: no evaluation, an empty field empties the flag.
    host_.setFlagText(row, ValEdit1->text());
    rewriteFlagRow(row);
}

void TFdebug::forceUpdate() { FlagsReloaded(); }

void TFdebug::updateStatus() { ListBox1->setRows(statusLines(host_.status())); }

void TFdebug::chooseSurface(int n) {
    if (n < 0 || n >= kSurfaceCount) return;
    ComboBox1->setSelected(n);
    const DebugSurface s = host_.surface(n);
    const int w = s.picture ? s.picture->width() : 0, h = s.picture ? s.picture->height() : 0;
    Label1->setText("File:" + s.fileName);
    Label2->setText("SizeX:" + decimal(w));
    Label3->setText("SizeY:" + decimal(h));
    if (s.picture) Image1->take(*s.picture);
    else Image1->clear();
}

void TFdebug::selectFlag(int index) {
    if (index < 0 || index >= int(ValList->rows().size())) return;
    ValList->select(index);
    if (ValList->onSelect) ValList->onSelect(ValList->selected());
}

bool TFdebug::pressButton(const std::string& sjisCaption) {
    for (std::size_t i = 0; i < widgets_.size(); ++i) {
        auto* b = dynamic_cast<ui::Button*>(widgets_[i].get());
        if (!b || !b->visible() || b->caption() != sjisCaption) continue;
        b->click();
        return true;
    }
    return false;
}

void TFdebug::showPage(int page) {
    for (std::size_t i = 0; i < widgets_.size(); ++i)
        if (pageOf_[i] >= 0) widgets_[i]->setVisible(pageOf_[i] == page);
    ComboBox1->setDropped(false);
    if (focus_ && !focus_->visible()) setFocus(nullptr);
}

void TFdebug::setFocus(ui::Widget* widget) {
    if (focus_ == widget) return;
    if (focus_) focus_->setFocused(false);
    focus_ = widget;
    if (focus_) focus_->setFocused(true);
    if (focus_ != ComboBox1) ComboBox1->setDropped(false);
}

ui::Widget* TFdebug::widgetAt(int x, int y) const {
    for (auto it = widgets_.rbegin(); it != widgets_.rend(); ++it)
        if ((*it)->visible() && (*it)->enabled() && (*it)->rect().contains(x, y)) return it->get();
    return nullptr;
}

bool TFdebug::routeMouse(const Event& event) {
    // An open drop-down list takes every press: on it, it chooses; elsewhere, it closes.
    if (ComboBox1->capturesMouse() && event.type != Event::Type::MouseMove) return ComboBox1->handle(event);
    switch (event.type) {
        case Event::Type::MouseDown: {
            ui::Widget* target = widgetAt(event.x, event.y);
            if (!target) return false;
            const bool moved = target->focusable() && target != focus_;
            if (moved) setFocus(target);
            if (event.button == platform::MouseButton::Left) capture_ = target;
            return target->handle(event) || moved;
        }
        case Event::Type::MouseUp: {
            ui::Widget* target = capture_ ? capture_ : widgetAt(event.x, event.y);
            capture_ = nullptr;
            return target && target->handle(event);
        }
        case Event::Type::MouseMove: {
            bool changed = false;
            for (auto& w : widgets_)
                if (w->visible()) changed = w->handle(event) || changed;
            return changed;
        }
        case Event::Type::MouseWheel: {
            ui::Widget* target = widgetAt(event.x, event.y);
            if (target && target->handle(event)) return true;
            return focus_ && focus_ != target && focus_->handle(event);
        }
        default:
            return false;
    }
}

bool TFdebug::handle(const Event& event) {
    bool changed = false;
    switch (event.type) {
        case Event::Type::MouseDown:
        case Event::Type::MouseUp:
        case Event::Type::MouseMove:
        case Event::Type::MouseWheel:
            changed = routeMouse(event);
            break;
        case Event::Type::KeyDown:
            if (event.key == platform::Key::Tab) {
                std::vector<ui::Widget*> order;
                for (auto& w : widgets_)
                    if (w->focusable()) order.push_back(w.get());
                if (!order.empty()) {
                    const int n = int(order.size());
                    auto it = std::find(order.begin(), order.end(), focus_);
                    int i = it == order.end() ? -1 : int(it - order.begin());
                    i = (i + ((event.mods & platform::kModShift) ? -1 : 1) + n) % n;
                    setFocus(order[std::size_t(i)]);
                }
                changed = true;
            } else {
                changed = focus_ && focus_->handle(event);
                // What the focused control leaves: Enter in the flag field sets the
                // flag, Esc closes the window, as their buttons do.
                if (!changed && event.key == platform::Key::Enter && focus_ == ValEdit1 && ValEdit1->visible()) {
                    Button3->click();
                    changed = true;
                } else if (!changed && event.key == platform::Key::Escape) {
                    Button1->click();
                    changed = true;
                }
            }
            break;
        case Event::Type::TextInput:
        case Event::Type::TextEditing:
            changed = focus_ && focus_->handle(event);
            break;
        default:
            break;
    }
    // Text input follows the edit field's focus.
    const bool wantText = focus_ == ValEdit1 && ValEdit1->visible();
    if (wantText != textInput_) {
        textInput_ = wantText;
        host_.setTextInput(wantText);
    }
    return changed;
}

const Surface& TFdebug::draw(platform::FontEngine& fonts) {
    frame_.fill(kFace);
    for (auto& w : widgets_)
        if (w->visible()) w->draw(frame_, fonts);
    ComboBox1->drawList(frame_, fonts);
    // The widget kit marks what it draws opaque in the top byte; a window has no alpha.
    for (int y = 0; y < frame_.height(); ++y) {
        uint32_t* row = frame_.row(y);
        for (int x = 0; x < frame_.width(); ++x) row[x] &= 0x00FFFFFF;
    }
    return frame_;
}

}  // namespace qvl
