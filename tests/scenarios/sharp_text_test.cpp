// A window larger than the scene draws the text layer's steps at its own scale
// over a frame with the scene's text taken out. Through shakes, transitions and
// the scroll roll, every presentation must show the text once: the frame plus
// the steps drawn back at the scene's size is exactly the engine's window image.
#include "tests/scenarios/scenario_run.h"

#include "platform/sharp_text.h"

namespace {

using namespace qvl_test;
using qvl::Surface;
using qvl::platform::SharpStep;

// The headless backend posing as a window three times the scene.
class SharpWindow : public qvl::platform::HeadlessPlatform {
public:
    using HeadlessPlatform::HeadlessPlatform;

    bool drawsSharpText() override { return true; }
    void setSharpText(const qvl::platform::SharpText* text) override { text_ = text; }
    void present(const Surface& frame, const Surface* overlay, std::optional<qvl::Rect> changed) override {
        HeadlessPlatform::present(frame, overlay, changed);
        if (!app) return;
        const Surface& image = app->view().image();
        if (!text_) {
            ++plain;
            if (!(frame == image)) ++failures;
            return;
        }
        ++sharp;
        // The steps drawn back at the scene's size, as the text layer drew them.
        Surface text(640, 480, 0), mask(640, 480, 0xFFFFFF);
        qvl::platform::FontEngine& fonts = this->fonts();
        for (const SharpStep& s : text_->steps()) {
            switch (s.kind) {
                case SharpStep::Kind::Text:
                    for (auto [dst, colour] : {std::pair<Surface*, uint32_t>{&text, s.colour}, {&mask, 0u}}) {
                        if (s.byteWise)
                            fonts.drawChar(*dst, s.x, s.y, char32_t(uint8_t(s.text[0])), s.font, colour, false);
                        else
                            fonts.drawText(*dst, s.x, s.y, s.text, s.font, colour, false);
                    }
                    break;
                case SharpStep::Kind::Erase:
                    text.fillRect(s.area, 0);
                    mask.fillRect(s.area, 0xFFFFFF);
                    break;
                case SharpStep::Kind::Picture:
                    text.blit(*s.picture, s.x, s.y);
                    mask.blit(*s.mask, s.x, s.y);
                    break;
            }
        }
        const qvl::WaitIcon& icon = app->text.waitIcon();
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const qvl::Rect r = icon.rect();
                if (icon.running() && x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h) continue;
                const uint32_t m = mask.pixel(x, y);
                const uint32_t shown = m == 0xFFFFFF ? frame.pixel(x, y) : (frame.pixel(x, y) & m) | text.pixel(x, y);
                if (shown != image.pixel(x, y)) {
                    ++failures;
                    return;
                }
            }
    }

    qvl::TFmain* app = nullptr;
    int sharp = 0, plain = 0, failures = 0;

private:
    const qvl::platform::SharpText* text_ = nullptr;
};

TEST(SharpText, EveryPresentationShowsTheTextOnceThroughShakesTransitionsAndTheScroll) {
    const fs::path dir = fs::temp_directory_path() / ("qvl-sharp-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path data = fs::path(QVL_TEST_SCENARIOS);
    fs::copy_file(data / "text_icon_frames" / "bg_room.mag", dir / "bg_room.mag");
    fs::copy_file(data / "text_icon_frames" / "icon.bmp", dir / "icon.bmp");
    fs::copy_file(data / "effect_roll_hole" / "girl.mag", dir / "girl.mag");
    writeAll(dir / "qvl.cfg", toScenarioBytes("SavePath=save\\\nIcon=icon.bmp\nBackGround=bg_room.mag\n"));
    writeAll(dir / "autorun.txt", toScenarioBytes("_textwait 0\n"
                                                  "<S3>大きな<S2>文字と<C#FFC040>色<C#FFFFFF>、(漢字,かんじ)&\n"
                                                  "_shake 8,4,20\n"
                                                  "<E1>縁取り<E0>の行\n"
                                                  "_bgload \"girl.mag\"\n"
                                                  "_fade #SCROLL0\n"
                                                  "_fade #WIPE1\n"
                                                  "_scroll 20,#102040,12,0,4\n"
                                                  "流れる行\n"
                                                  "|36\n"
                                                  "_endscroll\n"
                                                  "_textclear\n"
                                                  "最後の行\n"));
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    SharpWindow window(qvl::platform::parseInputScript("click\nclick\nclick\nclick\n"), {});
    std::ostringstream transcript;
    qvl::TFmainOptions options;
    options.transcript = &transcript;
    qvl::TFmain app(window, options);
    window.app = &app;
    app.run();
    fs::current_path(previous);
    fs::remove_all(dir);
    EXPECT_EQ(window.failures, 0) << window.sharp << " sharp and " << window.plain << " plain presentations";
    EXPECT_NE(transcript.str().find("text: 最後の行"), std::string::npos) << transcript.str();
    // The click waits show sharp text; the shake's and the transitions' frames do not.
    EXPECT_GT(window.sharp, 3);
    EXPECT_GT(window.plain, 3);
}

}  // namespace
