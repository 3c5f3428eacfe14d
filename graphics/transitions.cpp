#include "graphics/transitions.h"

#include <array>
#include <utility>
#include <functional>

namespace qvl {

namespace {

// Opening A: the old screen is kept in Temp2 and the new scene gets its text.
void openingA(SurfaceBank& bank, bool textVisible, TransitionHost& host) {
    bank[SurfaceId::Temp2].blit(host.window(), 0, 0);
    host.composeScene();
    if (textVisible) layTextInto(bank, bank[SurfaceId::VirtualVram]);
}

// Opening B: the new scene with its text, drawn straight onto the window.
void openingB(SurfaceBank& bank, bool textVisible, TransitionHost& host) {
    host.composeScene();
    if (textVisible) layTextInto(bank, bank[SurfaceId::VirtualVram]);
}

// Opening C: the pictures that move. Plain variants move the old composition
// (without text) and keep the text still; T variants move the old screen with
// its text burned in.
void openingC(bool textMoves, SurfaceBank& bank, bool textVisible, TransitionHost& host) {
    if (textMoves) {
        bank[SurfaceId::Temp2].blit(host.window(), 0, 0);
        host.composeScene();
        if (textVisible) layTextInto(bank, bank[SurfaceId::VirtualVram]);
    } else {
        bank[SurfaceId::Temp2].blit(std::as_const(bank)[SurfaceId::VirtualVram], 0, 0);
        host.composeScene();
    }
}

}  // namespace

void layTextInto(const SurfaceBank& bank, Surface& target) {
    target.blit(bank[SurfaceId::TextMask], 0, 0, 0, 0, 640, 480, Rop::And);
    target.blit(bank[SurfaceId::Text], 0, 0, 0, 0, 640, 480, Rop::Or);
}

std::string transitionName(std::string_view scriptText) {
    if (scriptText.empty()) return {};
    return std::string(scriptText.substr(1, 10));
}

bool runNamedTransition(std::string_view scriptText, SurfaceBank& bank, bool textVisible, TransitionHost& host) {
    using namespace transitions;
    const std::string name = transitionName(scriptText);
    struct Entry {
        const char* name;
        std::function<void()> run;
    };
    auto a = [&] { openingA(bank, textVisible, host); };
    auto b = [&] { openingB(bank, textVisible, host); };
    auto c = [&](bool t) { openingC(t, bank, textVisible, host); };
    const std::array<Entry, 36> table{{
        {"TILE0", [&] { a(), tile(0, true, bank, host); }},
        {"TILE1", [&] { a(), tile(1, true, bank, host); }},
        {"TILE2", [&] { a(), tile(2, true, bank, host); }},
        {"TILE3", [&] { a(), tile(3, true, bank, host); }},
        {"TILEH0", [&] { a(), tile(0, false, bank, host); }},
        {"TILEH1", [&] { a(), tile(1, false, bank, host); }},
        {"TILEH2", [&] { a(), tile(2, false, bank, host); }},
        {"TILEH3", [&] { a(), tile(3, false, bank, host); }},
        {"PAT0", [&] { a(), pat0(bank, host); }},
        {"PAT1", [&] { a(), pat1(bank, host); }},
        {"PAT2", [&] { a(), pat2(bank, host); }},
        {"PAT3", [&] { b(), pat3(bank, host); }},
        {"PAT4", [&] { b(), pat4(bank, host); }},
        {"WIPE0", [&] { b(), wipe(0, bank, host); }},
        {"WIPE1", [&] { b(), wipe(1, bank, host); }},
        {"WIPE2", [&] { b(), wipe(2, bank, host); }},
        {"WIPE3", [&] { b(), wipe(3, bank, host); }},
        {"SCROLL0", [&] { c(false), scroll(0, false, textVisible, bank, host); }},
        {"SCROLL1", [&] { c(false), scroll(1, false, textVisible, bank, host); }},
        {"SCROLL2", [&] { c(false), scroll(2, false, textVisible, bank, host); }},
        {"SCROLL3", [&] { c(false), scroll(3, false, textVisible, bank, host); }},
        {"TSCROLL0", [&] { c(true), scroll(0, true, textVisible, bank, host); }},
        {"TSCROLL1", [&] { c(true), scroll(1, true, textVisible, bank, host); }},
        {"TSCROLL2", [&] { c(true), scroll(2, true, textVisible, bank, host); }},
        {"TSCROLL3", [&] { c(true), scroll(3, true, textVisible, bank, host); }},
        {"SLIDE0", [&] { c(false), slide(0, false, textVisible, bank, host); }},
        {"SLIDE1", [&] { c(false), slide(1, false, textVisible, bank, host); }},
        {"SLIDE2", [&] { c(false), slide(2, false, textVisible, bank, host); }},
        {"SLIDE3", [&] { c(false), slide(3, false, textVisible, bank, host); }},
        {"TSLIDE0", [&] { c(true), slide(0, true, textVisible, bank, host); }},
        {"TSLIDE1", [&] { c(true), slide(1, true, textVisible, bank, host); }},
        {"TSLIDE2", [&] { c(true), slide(2, true, textVisible, bank, host); }},
        {"TSLIDE3", [&] { c(true), slide(3, true, textVisible, bank, host); }},
        {"LINE0", [&] { b(), line0(bank, host); }},
        {"LINE1", [&] { b(), line1(bank, host); }},
        {"BLEND0", [&] { a(), blend0(bank, host); }},
    }};
    for (const Entry& e : table) {
        if (name == e.name) {
            e.run();
            return true;
        }
    }
    return false;
}

}  // namespace qvl
