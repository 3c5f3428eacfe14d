#include "ui/edit_field.h"

#include <algorithm>

#include "base/sjis.h"
#include "platform/encoding.h"
#include "ui/text_fit.h"
#include "ui/theme.h"

namespace qvl::ui {

using platform::Event;
using platform::Key;

namespace {
constexpr int kPadding = 3;  // between the sunken edge and the text
}

void EditField::setText(std::string_view sjis) {
    text_ = std::string(sjis.substr(0, prefixWithinBytes(sjis, maxBytes_)));
    caret_ = text_.size();
    scroll_ = 0;
    composition_.clear();
}

void EditField::setMaxBytes(std::size_t maxBytes) {
    maxBytes_ = maxBytes;
    setText(std::string(text_));
}

void EditField::insert(std::string_view sjis) {
    std::string accepted;
    for (std::size_t i = 0; i < sjis.size();) {
        std::size_t n = sjis::charLength(sjis, i);
        // A field holds one line: line breaks and other control bytes are dropped.
        bool control = n == 1 && static_cast<unsigned char>(sjis[i]) < 0x20;
        if (!control) {
            if (text_.size() + accepted.size() + n > maxBytes_) break;
            accepted.append(sjis.substr(i, n));
        }
        i += n;
    }
    if (accepted.empty()) return;
    text_.insert(caret_, accepted);
    caret_ += accepted.size();
    changed();
}

bool EditField::dropSelection() {
    if (!allSelected_) return false;
    allSelected_ = false;
    text_.clear();
    caret_ = scroll_ = 0;
    changed();
    return true;
}

void EditField::changed() {
    auto callback = onChange;
    if (callback) callback();
}

bool EditField::handle(const Event& event) {
    if (!enabled() || !visible()) return false;
    switch (event.type) {
    case Event::Type::TextInput:
        composition_.clear();
        dropSelection();
        insert(platform::utf8ToSjis(event.text));
        return true;
    case Event::Type::TextEditing:
        composition_ = platform::utf8ToSjis(event.text);
        return true;
    case Event::Type::KeyDown:
        return key(event);
    case Event::Type::MouseDown:
        if (!rect().contains(event.x, event.y)) return false;
        allSelected_ = false;
        caret_ = caretFromX(event.x);
        return true;
    default:
        return false;
    }
}

bool EditField::key(const Event& event) {
    if (event.key == Key::Backspace || event.key == Key::Delete) {
        if (dropSelection()) return true;
    } else if (event.key != Key::Character && event.key != Key::Space && event.key != Key::Unknown) {
        allSelected_ = false;
    }
    switch (event.key) {
    case Key::Backspace:
        if (caret_ > 0) {
            std::size_t start = previousCharStart(text_, caret_);
            text_.erase(start, caret_ - start);
            caret_ = start;
            changed();
        }
        return true;
    case Key::Delete:
        if (caret_ < text_.size()) {
            text_.erase(caret_, sjis::charLength(text_, caret_));
            changed();
        }
        return true;
    case Key::Left:
        caret_ = previousCharStart(text_, caret_);
        return true;
    case Key::Right:
        if (caret_ < text_.size()) caret_ += sjis::charLength(text_, caret_);
        return true;
    case Key::Home:
        caret_ = 0;
        return true;
    case Key::End:
        caret_ = text_.size();
        return true;
    case Key::Character:
    case Key::Space:
        return true;  // the text itself comes as TextInput
    default:
        return false;
    }
}

void EditField::focusChanged() {
    if (auto* platform = platformPtr()) platform->setTextInput(focused(), rect());
    if (!focused()) composition_.clear();
}

void EditField::scrollToCaret(platform::FontEngine& fonts) {
    auto font = uiFont();
    int room = rect().w - 2 * kPadding - 4;
    if (scroll_ > caret_) scroll_ = previousCharStart(text_, caret_);
    std::string_view t = text_;
    std::string shown = std::string(t.substr(scroll_, caret_ - scroll_)) + composition_;
    while (scroll_ < caret_ && fonts.measureText(shown, font) > room) {
        std::size_t n = sjis::charLength(t, scroll_);
        scroll_ += n;
        shown.erase(0, n);
    }
}

std::size_t EditField::caretFromX(int x) {
    if (!lastFonts_) return text_.size();
    auto font = uiFont();
    std::string_view t = text_;
    int left = rect().x + kPadding + 2;
    std::size_t pos = scroll_;
    while (pos < t.size()) {
        std::size_t n = sjis::charLength(t, pos);
        int before = lastFonts_->measureText(t.substr(scroll_, pos - scroll_), font);
        int after = lastFonts_->measureText(t.substr(scroll_, pos + n - scroll_), font);
        if (x < left + (before + after) / 2) break;
        pos += n;
    }
    return pos;
}

void EditField::draw(Surface& overlay, platform::FontEngine& fonts) {
    lastFonts_ = &fonts;
    Rect r = rect();
    if (r.empty()) return;
    fillOpaque(overlay, r, enabled() ? kWindowColour : kFaceColour);
    drawSunken(overlay, r);
    scrollToCaret(fonts);
    auto font = uiFont();
    int room = r.w - 2 * kPadding - 4;
    int x = r.x + kPadding + 2;
    int y = r.y + (r.h - kUiFontSize) / 2;
    std::string_view t = text_;
    std::string_view before = t.substr(scroll_, caret_ - scroll_);
    if (allSelected_) {
        // The selection is the whole text, and the caret sits at its end.
        int w = std::min(fonts.measureText(before, font), room);
        fillOpaque(overlay, {x, y - 1, w, kUiFontSize + 2}, 0x000080);
        x += fonts.drawText(overlay, x, y, before, font, 0xFFFFFF);
    } else {
        x += fonts.drawText(overlay, x, y, before, font, kTextColour);
    }
    int caretX = x;
    if (!composition_.empty()) {
        std::string comp = fitToWidth(fonts, composition_, font, r.x + r.w - kPadding - x);
        int w = fonts.drawText(overlay, x, y, comp, font, kTextColour);
        fillOpaque(overlay, {x, y + kUiFontSize, w, 1}, kTextColour);
        x += w;
        caretX = x;
    }
    int rest = r.x + 2 + kPadding + room - x;
    if (rest > 0) {
        fonts.drawText(overlay, x, y, fitToWidth(fonts, t.substr(caret_), font, rest), font, kTextColour);
    }
    if (focused()) fillOpaque(overlay, {caretX, y - 1, 1, kUiFontSize + 2}, kTextColour);
}

}  // namespace qvl::ui
