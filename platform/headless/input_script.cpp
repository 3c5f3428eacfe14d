#include "platform/headless/input_script.h"

#include "base/numbers.h"
#include "base/sjis.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qvl::platform {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

bool parseKey(std::string_view name, Event& e) {
    static const std::array<std::pair<const char*, Key>, 19> kNames{{
        {"return", Key::Enter},
        {"enter", Key::Enter},
        {"escape", Key::Escape},
        {"esc", Key::Escape},
        {"space", Key::Space},
        {"backspace", Key::Backspace},
        {"tab", Key::Tab},
        {"delete", Key::Delete},
        {"insert", Key::Insert},
        {"up", Key::Up},
        {"down", Key::Down},
        {"left", Key::Left},
        {"right", Key::Right},
        {"home", Key::Home},
        {"end", Key::End},
        {"pageup", Key::PageUp},
        {"pagedown", Key::PageDown},
        {"ctrl", Key::Control},
        {"menu", Key::Menu},
    }};
    std::string rest = lower(name);
    for (;;) {
        if (rest.rfind("ctrl+", 0) == 0)
            e.mods |= kModCtrl, rest.erase(0, 5);
        else if (rest.rfind("shift+", 0) == 0)
            e.mods |= kModShift, rest.erase(0, 6);
        else if (rest.rfind("alt+", 0) == 0)
            e.mods |= kModAlt, rest.erase(0, 4);
        else
            break;
    }
    for (const auto& [text, key] : kNames) {
        if (rest == text) {
            e.key = key;
            return true;
        }
    }
    if (rest.size() >= 2 && rest.size() <= 3 && rest[0] == 'f') {
        if (auto n = parseInt(std::string_view(rest).substr(1)); n && *n >= 1 && *n <= 12) {
            e.key = Key(int(Key::F1) + *n - 1);
            return true;
        }
    }
    if (rest.size() == 1 && ((rest[0] >= 'a' && rest[0] <= 'z') || (rest[0] >= '0' && rest[0] <= '9'))) {
        e.key = Key::Character;
        e.ch = rest[0];
        return true;
    }
    return false;
}

std::optional<PadButton> parsePadButton(std::string_view name) {
    static const std::array<const char*, std::size_t(PadButton::Count)> kPad{
        "a", "b", "x", "y", "up", "down", "left", "right", "lb", "rb", "start", "back"};
    const std::string wanted = lower(name);
    for (std::size_t i = 0; i < kPad.size(); ++i)
        if (wanted == kPad[i]) return PadButton(i);
    return std::nullopt;
}

std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
        if (j > i) out.emplace_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

}  // namespace

std::vector<ScriptedInput> parseInputScript(std::string_view text) {
    std::vector<ScriptedInput> out;
    int lineNo = 0;
    for (const std::string& raw : sjis::splitLines(text, false)) {
        ++lineNo;
        std::string_view line = raw;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t space = line.find_first_of(" \t");
        std::string verb = lower(line.substr(0, space));
        std::optional<uint64_t> atMs;
        if (verb == "at") {
            // at MS EVENT: the event line follows the time.
            std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
            std::size_t end = rest.find_first_of(" \t");
            auto ms = parseInt(std::string(rest.substr(0, end)));
            if (!ms || *ms < 0 || end == std::string_view::npos)
                throw InputScriptError(lineNo, "at takes milliseconds and an event");
            atMs = uint64_t(*ms);
            line = rest.substr(end + 1);
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
            space = line.find_first_of(" \t");
            verb = lower(line.substr(0, space));
            if (verb == "wait" || verb == "at") throw InputScriptError(lineNo, "at takes an event, not " + verb);
        }
        const std::size_t firstNew = out.size();
        std::string_view argText = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        while (!argText.empty() && (argText.front() == ' ' || argText.front() == '\t')) argText.remove_prefix(1);
        std::vector<std::string> args = words(argText);

        auto number = [&](const std::string& s) {
            auto v = parseInt(s);
            if (!v || *v < 0) throw InputScriptError(lineNo, "not a number: " + s);
            return *v;
        };
        auto push = [&](Event::Type type) -> ScriptedInput& {
            ScriptedInput in;
            in.event.type = type;
            out.push_back(in);
            return out.back();
        };

        if (verb == "click" || verb == "rclick") {
            if (args.size() != 0 && args.size() != 2)
                throw InputScriptError(lineNo, verb + " takes no position or x y");
            MouseButton b = verb == "click" ? MouseButton::Left : MouseButton::Right;
            for (auto type : {Event::Type::MouseDown, Event::Type::MouseUp}) {
                ScriptedInput& in = push(type);
                in.event.button = b;
                if (args.empty()) {
                    in.atLastMouse = true;
                } else {
                    in.event.x = number(args[0]);
                    in.event.y = number(args[1]);
                }
            }
        } else if (verb == "move") {
            if (args.size() != 2) throw InputScriptError(lineNo, "move takes x y");
            ScriptedInput& in = push(Event::Type::MouseMove);
            in.event.x = number(args[0]);
            in.event.y = number(args[1]);
        } else if (verb == "key" || verb == "hold" || verb == "release") {
            // key: pressed (and, for Ctrl, released); hold and release: one half.
            ScriptedInput in;
            in.event.type = verb == "release" ? Event::Type::KeyUp : Event::Type::KeyDown;
            if (args.size() != 1 || !parseKey(args[0], in.event))
                throw InputScriptError(lineNo, "unknown key: " + std::string(argText));
            out.push_back(in);
            if (verb == "key" && in.event.key == Key::Control) {
                in.event.type = Event::Type::KeyUp;
                out.push_back(in);
            }
        } else if (verb == "pad") {
            // pad BUTTON, pad hold BUTTON, pad release BUTTON: a game controller's button.
            const bool half = args.size() == 2 && (lower(args[0]) == "hold" || lower(args[0]) == "release");
            std::optional<PadButton> button =
                args.size() == 1 ? parsePadButton(args[0]) : half ? parsePadButton(args[1]) : std::nullopt;
            if (!button)
                throw InputScriptError(lineNo, "pad takes [hold|release] A, B, X, Y, Up, Down, Left, Right, LB, RB, "
                                               "Start or Back");
            ScriptedInput in;
            in.event.key = padKey(*button);
            in.event.mods = kModPad;
            in.event.id = int(*button);
            const bool release = half && lower(args[0]) == "release";
            in.event.type = release ? Event::Type::KeyUp : Event::Type::KeyDown;
            out.push_back(in);
            if (!half && in.event.key == Key::Control) {
                in.event.type = Event::Type::KeyUp;
                out.push_back(in);
            }
        } else if (verb == "type") {
            push(Event::Type::TextInput).event.text = std::string(argText);
        } else if (verb == "answer") {
            std::string a = args.size() == 1 ? lower(args[0]) : "";
            Answer answer = a == "yes"      ? Answer::Yes
                            : a == "no"     ? Answer::No
                            : a == "ok"     ? Answer::Ok
                            : a == "cancel" ? Answer::Cancel
                                            : Answer::None;
            if (answer == Answer::None) throw InputScriptError(lineNo, "answer takes yes, no, ok or cancel");
            push(Event::Type::Answer).event.answer = answer;
        } else if (verb == "cancel") {
            if (!args.empty()) throw InputScriptError(lineNo, "cancel takes nothing");
            push(Event::Type::Answer).event.answer = Answer::Cancel;
        } else if (verb == "slot") {
            int n = args.size() == 1 ? number(args[0]) : 0;
            if (n < 1 || n > 80) throw InputScriptError(lineNo, "slot takes a slot number from 1 to 80");
            push(Event::Type::PickSlot).event.id = n;
        } else if (verb == "font") {
            // font N FACE: list N (0-3) of the font dialog takes the face named by the rest of the line.
            std::size_t gap = argText.find_first_of(" \t");
            std::string_view face = gap == std::string_view::npos ? std::string_view() : argText.substr(gap + 1);
            while (!face.empty() && (face.front() == ' ' || face.front() == '\t')) face.remove_prefix(1);
            auto n = args.empty() ? std::nullopt : parseInt(args[0]);
            if (!n || *n < 0 || *n > 3 || face.empty())
                throw InputScriptError(lineNo, "font takes a list number from 0 to 3 and a face name");
            ScriptedInput& in = push(Event::Type::PickFont);
            in.event.id = *n;
            in.event.text = std::string(face);
        } else if (verb == "wheel") {
            // wheel N: N notches, positive away from the user (up), at the last mouse position.
            auto n = args.size() == 1 ? parseInt(args[0]) : std::nullopt;
            if (!n || *n == 0) throw InputScriptError(lineNo, "wheel takes a non-zero number of notches");
            ScriptedInput& in = push(Event::Type::MouseWheel);
            in.event.wheel = *n;
            in.atLastMouse = true;
        } else if (verb == "choose") {
            if (args.size() != 1) throw InputScriptError(lineNo, "choose takes an item number");
            push(Event::Type::Choose).event.id = number(args[0]);
        } else if (verb == "menu") {
            if (argText.empty()) throw InputScriptError(lineNo, "menu takes a caption");
            push(Event::Type::MenuPick).event.text = std::string(argText);
        } else if (verb == "debug") {
            // debug ACTION: what a person does in the debug window (see docs/headless.md).
            std::string action = args.empty() ? "" : lower(args[0]);
            std::string_view rest = argText.substr(std::min(argText.size(), args.empty() ? 0 : args[0].size()));
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
            const std::size_t numbers = action == "tab" || action == "select" || action == "surface" ? 1
                                        : action == "click"                                      ? 2
                                                                                                 : 0;
            if (numbers) {
                if (args.size() != numbers + 1) throw InputScriptError(lineNo, "debug " + action + " takes numbers");
                for (std::size_t i = 1; i < args.size(); ++i) number(args[i]);
            } else if (action == "open") {
                if (args.size() != 1) throw InputScriptError(lineNo, "debug open takes nothing");
            } else if (action == "button") {
                if (rest.empty()) throw InputScriptError(lineNo, "debug button takes a caption");
            } else if (action != "edit") {
                throw InputScriptError(lineNo, "debug takes open, tab, select, edit, button, surface or click");
            }
            std::string& text = push(Event::Type::Debug).event.text;
            text = action;
            if (!rest.empty()) {
                text += ' ';
                text.append(rest.data(), rest.size());
            }
        } else if (verb == "wait") {
            if (args.size() != 1) throw InputScriptError(lineNo, "wait takes milliseconds");
            ScriptedInput in;
            in.kind = ScriptedInput::Kind::Wait;
            in.waitMs = uint32_t(number(args[0]));
            out.push_back(in);
        } else {
            throw InputScriptError(lineNo, "unknown event: " + verb);
        }
        for (std::size_t i = firstNew; i < out.size(); ++i) out[i].atMs = atMs;
    }
    return out;
}

}  // namespace qvl::platform
