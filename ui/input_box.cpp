#include "ui/input_box.h"

#include "ui/dialog.h"
#include "ui/edit_field.h"
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
constexpr int kFieldGap = 6;  // between the prompt and the field
constexpr int kFieldHeight = 21;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMinWidth = 300;
constexpr int kMaxWidth = 600;
constexpr int kChromeHeight = 2 * Dialog::kEdge + Dialog::kTitleHeight + 1;

class InputBoxDialog : public Dialog {
public:
    InputBoxDialog(std::string title, int w, int h) : Dialog(std::move(title), w, h) {}

    EditField* field = nullptr;
    std::string prompt;

protected:
    // The caption, the question and what the field holds.
    std::string openingSpeech() const override { return title() + " " + prompt + " " + field->text(); }
    bool onText(const platform::Event& event) override {
        // Whatever has the focus, typing is meant for the field.
        setFocus(field);
        return field->handle(event);
    }
};

}  // namespace

InputBoxResult inputBox(UiHost& host, const InputBoxOptions& options) {
    platform::FontEngine& fonts = host.platform().fonts();
    auto font = uiFont();
    int buttonsWidth = 2 * kButtonWidth + kButtonGap;

    // Long lines are cut, and lines past the screen's height dropped, so the
    // field and the buttons always stay on screen.
    int maxTextWidth = kMaxWidth - 2 * Dialog::kEdge - 2 * kMargin;
    int maxLines = (platform::kSceneHeight - kChromeHeight - kMargin - kFieldGap - kFieldHeight - kMargin -
                    kButtonHeight - kMargin) /
                   kUiLineHeight;
    std::vector<std::string> lines;
    if (!options.prompt.empty()) lines = splitTextLines(options.prompt);
    if (int(lines.size()) > maxLines) lines.resize(std::size_t(maxLines));
    int textWidth = 0;
    std::string promptText;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i] = fitToWidth(fonts, lines[i], font, maxTextWidth);
        textWidth = std::max(textWidth, fonts.measureText(lines[i], font));
        if (i > 0) promptText += '\n';
        promptText += lines[i];
    }
    int promptHeight = int(lines.size()) * kUiLineHeight;

    int titleWidth = fonts.measureText(options.caption, uiFont(kUiFontSize, true)) + 8 + 2 * Dialog::kEdge;
    int clientWidth = 2 * kMargin + std::max(textWidth, buttonsWidth);
    int width = std::clamp(std::max(clientWidth + 2 * Dialog::kEdge, titleWidth), kMinWidth, kMaxWidth);
    int fieldTop = kMargin + (promptHeight > 0 ? promptHeight + kFieldGap : 0);
    int buttonsTop = fieldTop + kFieldHeight + kMargin;
    int height = kChromeHeight + buttonsTop + kButtonHeight + kMargin;

    InputBoxDialog dialog(options.caption, width, height);
    int cw = dialog.clientRect().w;
    if (promptHeight > 0) {
        dialog.add<Label>(dialog.place(kMargin, kMargin, cw - 2 * kMargin, promptHeight), promptText);
    }
    dialog.field = &dialog.add<EditField>(dialog.place(kMargin, fieldTop, cw - 2 * kMargin, kFieldHeight),
                                          options.maxBytes);
    dialog.field->setText(options.initialText);
    dialog.field->selectAll();

    int x = (cw - buttonsWidth) / 2;
    auto& ok = dialog.add<Button>(dialog.place(x, buttonsTop, kButtonWidth, kButtonHeight), uiText(UiText::Ok));
    auto& cancel = dialog.add<Button>(
        dialog.place(x + kButtonWidth + kButtonGap, buttonsTop, kButtonWidth, kButtonHeight),
        uiText(UiText::Cancel));
    ok.setDefault(true);
    cancel.setCancel(true);
    ok.onClick = [&dialog] { dialog.close(Answer::Ok); };
    cancel.onClick = [&dialog] { dialog.close(Answer::Cancel); };
    dialog.setFocus(dialog.field);
    dialog.prompt = options.prompt;

    Answer answer = dialog.runModal(host, {platform::WaitKind::Question, Answer::Ok});
    return {answer == Answer::Ok, dialog.field->text()};
}

}  // namespace qvl::ui
