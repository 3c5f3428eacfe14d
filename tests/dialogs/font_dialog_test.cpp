#include "dialogs/font_dialog.h"

#include "../ui/fake_host.h"
#include "graphics/png_io.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace qvl {
namespace {

using platform::Answer;
using platform::Event;
using platform::Key;

std::string sjis(const char* utf8) {
    return platform::utf8ToSjis(utf8);
}

// The faces every test machine has: the IPA fonts of the set-up script and the
// desktop name they stand in for.
const std::string kGothic = sjis("ＭＳ ゴシック");
const std::string kIpaGothic = "IPAGothic";
const std::string kIpaMincho = "IPAMincho";

class FontDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        faces_ = ui::test::sharedFonts().faceChoices();
        for (const std::string& face : {kGothic, kIpaGothic, kIpaMincho})
            ASSERT_TRUE(std::any_of(faces_.begin(), faces_.end(),
                                    [&](const platform::FaceChoice& c) {
                                        return std::find(c.names.begin(), c.names.end(), face) != c.names.end();
                                    }))
                << platform::sjisToUtf8(face) << " is not installed: run scripts/setup.sh";
    }
    // A scripted choice in list k, as the headless "font" line sends it.
    ui::test::FakeHost& pick(int list, const std::string& sjisFace) {
        Event e;
        e.type = Event::Type::PickFont;
        e.id = list;
        e.text = platform::sjisToUtf8(sjisFace);
        return host_.push(e);
    }
    static Event key(Key k, uint8_t mods = platform::kModNone) {
        Event e;
        e.type = Event::Type::KeyDown;
        e.key = k;
        e.mods = mods;
        return e;
    }
    static Event mouse(Event::Type type, int x, int y) {
        Event e;
        e.type = type;
        e.x = x, e.y = y;
        return e;
    }

    std::vector<platform::FaceChoice> faces_;
    FontFaces current_{kGothic, kGothic, kIpaMincho, kGothic};
    FontDialogState state_;
    ui::test::FakeHost host_;
};

TEST_F(FontDialogTest, ListsHoldThePlatformsFacesAndPreselectTheCurrentOnes) {
    FontDialog dialog(faces_, current_, state_);
    ASSERT_EQ(dialog.families().size(), faces_.size()) << "every face, in the platform's order";
    for (std::size_t row = 0; row < faces_.size(); ++row) EXPECT_EQ(dialog.families()[row], faces_[row].shown);
    for (int k = 0; k < kFontChoices; ++k) {
        EXPECT_EQ(dialog.face(k), current_[std::size_t(k)]);
        EXPECT_EQ(dialog.sample(k).caption().empty(), false);
    }
    EXPECT_EQ(state_.faces, current_);
    // Centred, with the client area of the form.
    EXPECT_EQ(dialog.clientRect().w, FontDialog::kClientWidth);
    EXPECT_EQ(dialog.clientRect().h, FontDialog::kClientHeight);
    EXPECT_EQ(dialog.rect().x, (640 - dialog.rect().w) / 2);
    EXPECT_EQ(dialog.rect().y, (480 - dialog.rect().h) / 2);
}

TEST_F(FontDialogTest, CancelAfterChangingAllFourListsChangesNothing) {
    FontDialog dialog(faces_, current_, state_);
    for (int k = 0; k < kFontChoices; ++k) pick(k, kIpaGothic);
    host_.key(Key::Escape);
    EXPECT_EQ(dialog.run(host_), std::nullopt);
    EXPECT_FALSE(state_.open);
    for (const auto& hint : host_.fake.hints) EXPECT_EQ(hint.autoAnswer, Answer::Cancel) << "auto-play cancels";
    // The next opening starts from the current faces again.
    FontDialog again(faces_, current_, state_);
    for (int k = 0; k < kFontChoices; ++k) EXPECT_EQ(again.face(k), current_[std::size_t(k)]);
}

TEST_F(FontDialogTest, OkTakesTheListsAndAMissingFaceKeepsItsName) {
    current_[2] = "NoSuchFace";
    FontDialog dialog(faces_, current_, state_);
    EXPECT_EQ(dialog.face(2), "") << "a face the machine lacks has no selection";
    pick(0, kIpaGothic);
    pick(3, kIpaMincho);
    pick(1, "NoSuchFace");  // not in the list: nothing changes
    host_.answer(Answer::Ok);
    auto chosen = dialog.run(host_);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (FontFaces{kIpaGothic, kGothic, "NoSuchFace", kIpaMincho}));
    EXPECT_EQ(host_.fake.beeps, 1);
    EXPECT_EQ(dialog.sample(0).rect().w, 257);
}

TEST_F(FontDialogTest, AFaceIsListedOnceAndKeepsTheNameItCameBy) {
    // Its Latin name selects the Japanese row, and OK keeps the Latin name, so
    // settings and scripts that say "IPAGothic" are not rewritten.
    const std::string shown = sjis("IPAゴシック");
    current_[1] = kIpaGothic;
    FontDialog dialog(faces_, current_, state_);
    const auto& rows = dialog.families();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), shown), 1);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), kIpaGothic), 0);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "MS Gothic"), 0) << "beside its desktop name";
    EXPECT_EQ(std::count(rows.begin(), rows.end(), kGothic), 1);
    EXPECT_EQ(dialog.face(1), kIpaGothic);
    pick(2, kIpaGothic);
    pick(3, shown);
    host_.answer(Answer::Ok);
    auto chosen = dialog.run(host_);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (FontFaces{kGothic, kIpaGothic, kIpaGothic, shown}));
    EXPECT_EQ(host_.fake.beeps, 0);
}

TEST_F(FontDialogTest, TheDropDownListChoosesWithMouseAndKeysAndEscPutsTheFaceBack) {
    FontDialog dialog(faces_, current_, state_);
    const Rect combo = dialog.comboRect(0);
    dialog.handle(mouse(Event::Type::MouseDown, combo.x + 10, combo.y + 5));
    dialog.handle(mouse(Event::Type::MouseUp, combo.x + 10, combo.y + 5));
    ASSERT_TRUE(dialog.dropped());
    const std::string before = dialog.face(0);
    dialog.handle(key(Key::Down));
    EXPECT_NE(dialog.face(0), before) << "the selection shows at once";
    EXPECT_EQ(state_.faces[0], dialog.face(0));
    dialog.handle(key(Key::Escape));
    EXPECT_FALSE(dialog.dropped());
    EXPECT_EQ(dialog.face(0), before) << "Esc closes the list, not the dialog, and puts the face back";

    // A click on a row takes it; the list lies under the field.
    dialog.handle(key(Key::F4));
    ASSERT_TRUE(dialog.dropped());
    const int rowY = combo.y + combo.h + 2 + 15 / 2;
    dialog.handle(mouse(Event::Type::MouseDown, combo.x + 20, rowY + 15));
    dialog.handle(mouse(Event::Type::MouseUp, combo.x + 20, rowY + 15));
    EXPECT_FALSE(dialog.dropped());
    EXPECT_NE(dialog.face(0), before);

    // A click beside the open list only closes it.
    const std::string chosen = dialog.face(0);
    dialog.handle(key(Key::F4));
    dialog.handle(mouse(Event::Type::MouseDown, 5, 5));
    dialog.handle(mouse(Event::Type::MouseUp, 5, 5));
    EXPECT_FALSE(dialog.dropped());
    EXPECT_EQ(dialog.face(0), chosen);
}

TEST_F(FontDialogTest, GoldenFrame) {
    current_ = {kGothic, kIpaGothic, kIpaMincho, kGothic};
    FontDialog dialog(faces_, current_, state_);
    host_.key(Key::Escape);
    dialog.run(host_);
    ASSERT_FALSE(host_.frames.empty());
    const Surface& overlay = host_.frames.front();
    // The overlay over black, as the window would show it over a black scene.
    Surface frame(overlay.width(), overlay.height());
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            frame.setPixel(x, y, (overlay.pixel(x, y) >> 24) == 0xFF ? overlay.pixel(x, y) & 0xFFFFFF : 0);
    namespace fs = std::filesystem;
    const fs::path golden = fs::path(QVL_TEST_GOLDEN) / "font_dialog.png";
    const fs::path actual = fs::path(QVL_TEST_GOLDEN) / "font_dialog.actual.png";
    if (const char* update = std::getenv("QVL_UPDATE_GOLDENS"); update && std::string(update) == "1") {
        writePngFile(golden.string(), frame);
        return;
    }
    auto expected = readPngFile(golden.string());
    ASSERT_TRUE(expected) << golden << " is missing: make update-goldens";
    if (*expected == frame) {
        fs::remove(actual);
        return;
    }
    writePngFile(actual.string(), frame);
    ADD_FAILURE() << "the frame differs from " << golden << "; see " << actual;
}

}  // namespace
}  // namespace qvl
