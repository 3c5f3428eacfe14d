#pragma once
// The version dialog: the interpreter's version, the scenario's version picture,
// its program identifier and where it is installed. The identifier line keeps the
// last value it showed when a later showing has none.
#include "graphics/surface.h"
#include "platform/events.h"
#include "platform/fonts.h"
#include "ui/ui_host.h"

#include <optional>
#include <string>
#include <vector>

namespace qvl {

struct VersionInfo {
    std::string programId;    // Shift-JIS; empty when the scenario gives none
    std::string installPath;  // empty when none is registered
    std::string currentDir;   // the folder at start-up
};

class TFver {
public:
    static constexpr int kClientWidth = 572;
    static constexpr int kClientHeight = 274;
    static constexpr int kPictureWidth = 512;
    static constexpr int kPictureHeight = 128;

    TFver();

    // The steps of every showing: the picture (nothing: the scenario has no
    // version picture) and the texts.
    void prepare(const VersionInfo& info, std::optional<Surface> picture, platform::FontEngine& fonts);
    // Modal; returns when 閉じる, Esc or Enter closes it.
    platform::Answer showModal(ui::UiHost& host, platform::Answer autoAnswer);

    const std::string& caption() const { return caption_; }
    // The texts shown, top to bottom: the two labels of the version line, the
    // notice, the picture's own text when it has one, the two lines below it.
    std::vector<std::string> lines() const;
    const Surface& verImage() const { return verImage_; }

private:
    std::string caption_;
    std::string label1_, label2_, label3_, label4_;
    std::string staticText1_, staticText2_;
    std::string pictureText_;
    Surface verImage_;
};

}  // namespace qvl
