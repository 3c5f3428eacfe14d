// The debug window, opened from the popup menu's debug item or F12 in debug mode.
#include "app/debug_link.h"

#include "app/tfmain.h"
#include "base/numbers.h"
#include "debug/debug_texts.h"
#include "platform/encoding.h"
#include "platform/files.h"

#include <iostream>

namespace qvl {

using platform::Event;

DebugLink::DebugLink(TFmain& main) : main_(main), form_(*this) {}

DebugLink::~DebugLink() {
    main_.flags.setObserver(nullptr);
}

void DebugLink::startUp() {
    form_.FillFlagList();
    main_.flags.setObserver(this);
    dirty_ = true;
}

void DebugLink::show() {
    if (!main_.settings.DebugMode) return;
    if (!window_) {
        window_ = main_.platform().openWindow(platform::sjisToUtf8(debugText(DebugText::Caption)), TFdebug::kClientWidth, TFdebug::kClientHeight);
        if (!window_) {
            std::cerr << "quorvel: the debug window cannot be opened\n";
            return;
        }
    }
    form_.FormShow();
    window_->show();
    dirty_ = true;
    flush();
}

void DebugLink::addError(const std::string& detail) {
    form_.AddError(detail);
    dirty_ = true;
}

void DebugLink::flush() {
    if (!dirty_ || !open()) return;
    window_->present(form_.draw(main_.platform().fonts()));
    dirty_ = false;
}

void DebugLink::handle(const Event& event) {
    if (event.type == Event::Type::Debug) {
        scripted(event.text);
    } else if (event.type == Event::Type::Quit) {
        hideWindow();  // its close button: the window goes, the run goes on
    } else if (open() && form_.handle(event)) {
        dirty_ = true;
    }
    flush();
}

void DebugLink::scripted(const std::string& action) {
    const std::size_t space = action.find(' ');
    const std::string verb = action.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : action.substr(space + 1);
    if (verb == "open") {
        show();
        return;
    }
    // A person can do nothing in a window that is not there.
    if (!open()) return;
    dirty_ = true;
    auto number = [&](std::size_t word) {
        std::size_t from = 0;
        for (std::size_t i = 0; i < word; ++i) from = rest.find(' ', from) + 1;
        return parseInt(rest.substr(from, rest.find(' ', from) - from)).value_or(-1);
    };
    if (verb == "tab") {
        form_.PageControl1->select(number(0));
    } else if (verb == "select") {
        form_.selectFlag(number(0));
    } else if (verb == "edit") {
        form_.ValEdit1->setText(platform::utf8ToSjis(rest));
    } else if (verb == "surface") {
        if (form_.PageControl1->current() == TFdebug::kSurfacePage) form_.ComboBox1->choose(number(0));
    } else if (verb == "button") {
        if (!form_.pressButton(platform::utf8ToSjis(rest)))
            std::cerr << "quorvel: the debug window shows no button " << rest << "\n";
    } else if (verb == "click") {
        for (auto type : {Event::Type::MouseDown, Event::Type::MouseUp}) {
            Event e;
            e.type = type;
            e.x = number(0);
            e.y = number(1);
            form_.handle(e);
        }
    }
}

std::string DebugLink::flagText(int index) {
    return main_.flags.text(index);
}

void DebugLink::setFlagText(int index, const std::string& text) {
    main_.flags.setFlagText(index, text);
}

DebugStatus DebugLink::status() {
    DebugStatus s;
    const MessageLog& log = main_.log;
    s.LogTotalPage = log.LogTotalPage;
    s.LogCurrentPage = log.LogCurrentPage;
    s.LogCurrentLine = log.LogCurrentLine;
    s.SaveLogStartPage = log.SaveLogStartPage;
    s.SaveLogTotalPage = log.SaveLogTotalPage;
    const InterpreterState& st = main_.state;
    s.ProgFileName = st.ProgFileName;
    s.ProgChapter = st.ProgChapter;
    s.ProgExecLine = st.ProgExecLine;
    s.ProgNextLine = st.ProgNextLine;
    s.ProgRetStack = st.ProgRetStack;
    s.ProgIfResult = st.ProgIfResult;
    s.ProgSelResult = st.ProgSelResult;
    s.ProgMultiStateFlag = st.ProgMultiStateFlag;
    if (st.ProgExecLine >= 0 && std::size_t(st.ProgExecLine) < main_.program.Lines.size())
        s.runningLine = std::string(main_.program.Lines[std::size_t(st.ProgExecLine)]);
    s.currentDirectory = platform::FileSystem::toSjis(platform::FileSystem::currentPath());
    return s;
}

DebugSurface DebugLink::surface(int n) {
    SurfaceBank& bank = main_.bank();
    DebugSurface s;
    if (n < 0 || n >= kSurfaceCount) return s;
    s.picture = &bank.surfaces[std::size_t(n)];
    // The sheet and its mask have no record of their own: they share the sheet's.
    if (n < kStateCount) s.fileName = bank.states[std::size_t(n)].fileName;
    else if (n == int(SurfaceId::SpriteSheet)) s.fileName = bank.sheet.fileName;
    else s.fileName = bank.sheet.maskName;
    return s;
}

void DebugLink::hideWindow() {
    if (window_) window_->hide();
}

void DebugLink::endProgram() {
    throw ProgramExit{0};
}

void DebugLink::setTextInput(bool on) {
    if (window_) window_->setTextInput(on);
}

void DebugLink::flagChanged(int index, const std::string&) {
    form_.FlagChanged(index);
    dirty_ = true;
}

}  // namespace qvl
