#include "dialogs/version_dialog.h"

#include "platform/encoding.h"
#include "ui/button.h"
#include "ui/dialog.h"
#include "ui/label.h"
#include "ui/text_fit.h"
#include "ui/theme.h"

#include <cstdio>

namespace qvl {

namespace {

constexpr double kInterpreterVersion = 1.2;
constexpr int kFontSize = 16;

std::string sjis(const char* utf8) {
    return platform::utf8ToSjis(utf8);
}

class VersionDialog final : public ui::Dialog {
public:
    VersionDialog(const std::string& caption, const Surface& picture, const std::string& line1,
                  const std::string& line2)
        : Dialog(caption, TFver::kClientWidth + 2 * kEdge, TFver::kClientHeight + 2 * kEdge + kTitleHeight + 1),
          picture_(picture),
          line1_(line1),
          line2_(line2) {}

    std::string speech;  // the caption and every line shown

protected:
    std::string openingSpeech() const override { return speech; }
    void drawFace(Surface& overlay, platform::FontEngine& fonts) override {
        ui::fillOpaque(overlay, clientRect(), 0x000000);
        const Rect image = place(30, 42, TFver::kPictureWidth, TFver::kPictureHeight);
        for (int y = 0; y < image.h && y < picture_.height(); ++y) {
            if (image.y + y < 0 || image.y + y >= overlay.height()) continue;
            const uint32_t* s = picture_.row(y);
            uint32_t* d = overlay.row(image.y + y);
            for (int x = 0; x < image.w && x < picture_.width(); ++x)
                if (image.x + x >= 0 && image.x + x < overlay.width()) d[image.x + x] = s[x] | ui::kOpaque;
        }
        staticText(overlay, fonts, place(32, 176, 513, 20), line1_);
        staticText(overlay, fonts, place(32, 200, 513, 20), line2_);
    }

private:
    // A white line with a single black border.
    static void staticText(Surface& overlay, platform::FontEngine& fonts, Rect r, const std::string& text) {
        ui::fillOpaque(overlay, r, 0xFFFFFF);
        ui::drawFrame(overlay, r, 0x000000, 0x000000);
        const auto font = ui::uiFont(kFontSize);
        fonts.drawText(overlay, r.x + 2, r.y + (r.h - kFontSize) / 2, ui::fitToWidth(fonts, text, font, r.w - 4), font,
                       0x000000);
    }

    const Surface& picture_;
    std::string line1_, line2_;
};

}  // namespace

TFver::TFver()
    : caption_(sjis("バージョン情報")),
      label1_(sjis("インタプリタ")),
      label3_("Quorvel"),
      label4_(sjis("Linux 版")),
      staticText1_(sjis("ProgramID=設定無し")),
      staticText2_("InstallPath=") {}

void TFver::prepare(const VersionInfo& info, std::optional<Surface> picture, platform::FontEngine& fonts) {
    if (picture) {
        verImage_ = std::move(*picture);
        pictureText_.clear();
    } else {
        verImage_ = Surface(kPictureWidth, kPictureHeight, 0xFFFFFF);
        pictureText_ = sjis("シナリオのバージョン情報はありません");
        fonts.drawText(verImage_, 32, 32, pictureText_, ui::uiFont(kFontSize), 0x000000);
    }
    char version[32];
    std::snprintf(version, sizeof version, "Ver %.2f", kInterpreterVersion);
    label2_ = version;
    if (!info.programId.empty()) staticText1_ = "ProgramID=" + info.programId;
    staticText2_ = info.installPath.empty() ? "CurrentDir=" + info.currentDir : "InstallPath=" + info.installPath;
}

std::vector<std::string> TFver::lines() const {
    std::vector<std::string> out{label1_, label2_, label3_, label4_};
    if (!pictureText_.empty()) out.push_back(pictureText_);
    out.push_back(staticText1_);
    out.push_back(staticText2_);
    return out;
}

platform::Answer TFver::showModal(ui::UiHost& host, platform::Answer autoAnswer) {
    VersionDialog dialog(caption_, verImage_, staticText1_, staticText2_);
    auto label = [&](int x, int y, int w, const std::string& text, int size = kFontSize) {
        auto& l = dialog.add<ui::Label>(dialog.place(x, y, w, kFontSize + 2), text, size);
        l.setColour(0xFFFFFF);
    };
    // Six full-width characters at 16 pixels would run into the version text.
    label(30, 10, 80, label1_, 13);
    label(110, 8, 84, label2_);
    label(210, 8, 200, label3_);
    label(418, 8, 150, label4_);
    auto& close = dialog.add<ui::Button>(dialog.place(244, 232, 83, 25), sjis("閉じる"));
    close.setDefault(true);
    close.setCancel(true);
    close.onClick = [&dialog] { dialog.close(platform::Answer::Cancel); };
    dialog.speech = caption_;
    for (const std::string& line : lines()) dialog.speech += " " + line;
    return dialog.runModal(host, {platform::WaitKind::Question, autoAnswer});
}

}  // namespace qvl
