#include "ui/message_box.h"

#include "ui/box_icon.h"
#include "ui/dialog.h"
#include "ui/label.h"
#include "ui/text_fit.h"
#include "ui/theme.h"
#include "ui/ui_strings.h"

#include <algorithm>
#include <vector>

namespace qvl::ui {

using platform::Answer;

namespace {

constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMinWidth = 200;
constexpr int kMaxWidth = 600;
constexpr int kChromeHeight = 2 * Dialog::kEdge + Dialog::kTitleHeight + 1;

struct ButtonDef {
    UiText caption;
    Answer answer;
};

std::vector<ButtonDef> buttonsFor(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::OkCancel: return {{UiText::Ok, Answer::Ok}, {UiText::Cancel, Answer::Cancel}};
    case BoxButtons::YesNo: return {{UiText::Yes, Answer::Yes}, {UiText::No, Answer::No}};
    case BoxButtons::Ok: break;
    }
    return {{UiText::Ok, Answer::Ok}};
}

// A scripted answer picks the button it names; the other kind maps onto the
// box's own pair (Yes is as good as OK, No as Cancel), and a box with OK alone
// takes any answer as OK.
Answer mapAnswer(BoxButtons buttons, Answer answer) {
    bool positive = answer == Answer::Ok || answer == Answer::Yes;
    switch (buttons) {
    case BoxButtons::Ok: return Answer::Ok;
    case BoxButtons::OkCancel: return positive ? Answer::Ok : Answer::Cancel;
    case BoxButtons::YesNo: return positive ? Answer::Yes : Answer::No;
    }
    return Answer::Ok;
}

class MessageBoxDialog : public Dialog {
public:
    MessageBoxDialog(std::string title, int w, int h, BoxIcon icon, BoxButtons buttons)
        : Dialog(std::move(title), w, h), icon_(icon), buttons_(buttons) {}

    Rect iconRect;
    std::string speech;  // the caption, the text and the buttons

protected:
    std::string openingSpeech() const override { return speech; }
    bool onAnswer(Answer answer) override {
        if (answer == Answer::None) return false;
        close(mapAnswer(buttons_, answer));
        return true;
    }
    void drawFace(Surface& overlay, platform::FontEngine& fonts) override {
        if (icon_ != BoxIcon::None) drawBoxIcon(overlay, iconRect.x, iconRect.y, icon_, fonts);
    }

private:
    BoxIcon icon_;
    BoxButtons buttons_;
};

}  // namespace

Answer messageBox(UiHost& host, std::string_view sjisTitle, std::string_view sjisBody, BoxIcon icon,
                  BoxButtons buttons, Answer autoAnswer) {
    platform::FontEngine& fonts = host.platform().fonts();
    auto font = uiFont();
    std::vector<ButtonDef> defs = buttonsFor(buttons);
    int iconSpace = icon == BoxIcon::None ? 0 : kBoxIconSize + kMargin;
    int buttonsWidth = int(defs.size()) * kButtonWidth + (int(defs.size()) - 1) * kButtonGap;

    // Nothing wraps: long lines are cut, and lines past the screen's height dropped.
    int maxTextWidth = kMaxWidth - 2 * Dialog::kEdge - 2 * kMargin - iconSpace;
    int maxLines = (platform::kSceneHeight - kChromeHeight - 3 * kMargin - kButtonHeight - kMargin) /
                   kUiLineHeight;
    std::vector<std::string> lines = splitTextLines(sjisBody);
    if (int(lines.size()) > maxLines) lines.resize(std::size_t(maxLines));
    int textWidth = 0;
    std::string bodyText;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i] = fitToWidth(fonts, lines[i], font, maxTextWidth);
        textWidth = std::max(textWidth, fonts.measureText(lines[i], font));
        if (i > 0) bodyText += '\n';
        bodyText += lines[i];
    }
    int textHeight = int(lines.size()) * kUiLineHeight;
    int bodyHeight = std::max(textHeight, icon == BoxIcon::None ? 0 : kBoxIconSize);

    int titleWidth = fonts.measureText(sjisTitle, uiFont(kUiFontSize, true)) + 8 + 2 * Dialog::kEdge;
    int clientWidth = std::max(2 * kMargin + iconSpace + textWidth, 2 * kMargin + buttonsWidth);
    int width = std::clamp(std::max(clientWidth + 2 * Dialog::kEdge, titleWidth), kMinWidth, kMaxWidth);
    int height = kChromeHeight + kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

    MessageBoxDialog dialog(std::string(sjisTitle), width, height, icon, buttons);
    Rect client = dialog.clientRect();
    dialog.iconRect = dialog.place(kMargin, kMargin + (bodyHeight - kBoxIconSize) / 2, kBoxIconSize,
                                   kBoxIconSize);
    dialog.add<Label>(dialog.place(kMargin + iconSpace, kMargin + (bodyHeight - textHeight) / 2,
                                   textWidth + 1, textHeight),
                      bodyText);
    dialog.speech = std::string(sjisTitle) + " " + std::string(sjisBody);
    for (const ButtonDef& def : defs) dialog.speech += " " + uiText(def.caption);
    int x = (client.w - buttonsWidth) / 2;
    int y = kMargin + bodyHeight + kMargin;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        auto& button =
            dialog.add<Button>(dialog.place(x, y, kButtonWidth, kButtonHeight), uiText(defs[i].caption));
        button.setDefault(i == 0);
        button.setCancel(i + 1 == defs.size());
        Answer answer = defs[i].answer;
        button.onClick = [&dialog, answer] { dialog.close(answer); };
        x += kButtonWidth + kButtonGap;
    }
    return dialog.runModal(host, {platform::WaitKind::Question, autoAnswer});
}

}  // namespace qvl::ui
