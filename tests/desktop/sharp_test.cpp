// A window larger than the scene: the text drawn at the window's resolution
// against the same text drawn here at that size, the scaling filters against
// their golden read-backs, and the size a new player's window starts at.
#include "tests/desktop/desktop.h"

#include "graphics/bmp_encoder.h"
#include "platform/fonts.h"

#include <cmath>
#include <functional>

// Last: its macros must not reach the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace qvl_desktop;
using qvl_desktop::Window;  // not X's

const fs::path kData = fs::path(QVL_TEST_SCENARIOS) / "text_icon_frames";
const std::string kLine = "あいうえおＡＢＣ";

// The scene stays black, so white text over it reads back as its own coverage.
Scenario blackScene(const std::string& name) {
    return Scenario(name, "_textwait 0\n" + kLine + "&\n二ページ目\n", "SavePath=save\\\n");
}

// kLine as the text layer lays it (a 24-pixel cell from the top-left, 16 pixels
// of ruby room above), drawn at `scale` into a picture the window's size, the
// scene's top-left corner at (left, top).
qvl::Surface referenceLine(int width, int height, int left, int top, double scale) {
    qvl::platform::FontEngine fonts;
    qvl::Surface layer(width, height, 0);
    const qvl::platform::FontSpec font{qvl::platform::utf8ToSjis("ＭＳ ゴシック"),
                                       int(std::lround(24 * scale)), false};
    const std::string sjis = qvl::platform::utf8ToSjis(kLine);
    for (std::size_t i = 0, column = 0; i < sjis.size(); i += 2, ++column)
        fonts.drawTextOnLayer(layer, left + int(std::lround(24.0 * double(column) * scale)),
                              top + int(std::lround(16 * scale)), sjis.substr(i, 2), font, 0xFFFFFF);
    qvl::Surface out(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t a = layer.pixel(x, y) >> 24;
            out.row(y)[x] = a << 16 | a << 8 | a;
        }
    return out;
}

// Pixels of the text's band that differ by more than a rounding step, and the
// pixels between black and white (a glyph drawn smooth at this size has many; a
// blown-up 640x480 glyph, none).
struct TextBand {
    int differ = 0, smooth = 0;
};
TextBand compareBand(const qvl::Surface& shown, const qvl::Surface& expected, qvl::Rect band) {
    TextBand t;
    for (int y = band.y; y < band.y + band.h; ++y)
        for (int x = band.x; x < band.x + band.w; ++x) {
            const int a = int(shown.pixel(x, y) & 0xFF), b = int(expected.pixel(x, y) & 0xFF);
            if (std::abs(a - b) > 3) ++t.differ;
            if (a > 8 && a < 247) ++t.smooth;
        }
    return t;
}

void keepForALook(const qvl::Surface& shown, const qvl::Surface& expected) {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const fs::path base = fs::temp_directory_path() / ("qvl-desktop-" + name);
    qvl::writePngFile(base.string() + ".window.png", shown);
    qvl::writePngFile(base.string() + ".expected.png", expected);
    ADD_FAILURE() << "pictures in " << base.string() << ".{window,expected}.png";
}

// A part of a read-back against tests/golden/NAME.png; QVL_UPDATE_GOLDENS=1 writes it.
void expectGolden(const qvl::Surface& shown, qvl::Rect part, const std::string& name) {
    ASSERT_GE(shown.width(), part.x + part.w);
    ASSERT_GE(shown.height(), part.y + part.h);
    qvl::Surface cut(part.w, part.h);
    cut.blit(shown, 0, 0, part.x, part.y, part.w, part.h);
    const fs::path golden = fs::path(QVL_TEST_GOLDEN) / (name + ".png");
    if (const char* update = std::getenv("QVL_UPDATE_GOLDENS"); update && std::string(update) == "1") {
        qvl::writePngFile(golden.string(), cut);
        return;
    }
    const qvl::Surface expected = loadPng(golden);
    ASSERT_EQ(expected.width(), part.w) << golden << " is missing: QVL_UPDATE_GOLDENS=1";
    int differ = 0;
    for (int y = 0; y < part.h; ++y)
        for (int x = 0; x < part.w; ++x)
            for (int shift = 0; shift < 24; shift += 8)
                if (std::abs(int((cut.pixel(x, y) >> shift) & 0xFF) - int((expected.pixel(x, y) >> shift) & 0xFF)) > 2) {
                    ++differ;
                    break;
                }
    if (differ) keepForALook(cut, expected);
    EXPECT_EQ(differ, 0) << name;
}

TEST(SharpDesktop, TextAtThreeTimesIsDrawnAtTheWindowsResolution) {
    VirtualDisplay display("1920x1440");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s = blackScene("sharp3");
    Window w(display, s, {"--scale", "3"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    const qvl::Surface shown = w.readBack();
    ASSERT_EQ(shown.width(), 1920);
    ASSERT_EQ(shown.height(), 1440);
    const qvl::Surface expected = referenceLine(1920, 1440, 0, 0, 3.0);
    const TextBand t = compareBand(shown, expected, {0, 0, 8 * 72 + 24, 180});
    if (t.differ > 40) keepForALook(shown, expected);
    EXPECT_LE(t.differ, 40);
    EXPECT_GT(t.smooth, 1000);
}

TEST(SharpDesktop, TextAtAFractionalFullScreenScaleIsDrawnAtTheWindowsResolution) {
    VirtualDisplay display("1366x768");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    if (!display.startWindowManager()) GTEST_SKIP() << "no window manager (openbox) to grant full screen";
    Scenario s = blackScene("sharpfull");
    Window w(display, s);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    w.key("F11");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const qvl::Surface shown = w.readBack();
    ASSERT_EQ(shown.width(), 1366);
    ASSERT_EQ(shown.height(), 768);
    // 768 / 480: the scene 1024 wide, centred.
    const qvl::Surface expected = referenceLine(1366, 768, 171, 0, 1.6);
    const TextBand t = compareBand(shown, expected, {171, 0, 8 * 39 + 16, 90});
    if (t.differ > 40) keepForALook(shown, expected);
    EXPECT_LE(t.differ, 40);
    EXPECT_GT(t.smooth, 400);
}

TEST(SharpDesktop, APageWithRubySizesColoursAndEdgesMatchesItsGoldenAtThreeTimes) {
    VirtualDisplay display("1920x1440");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s("sharppage",
               "_textwait 0\n<S3>大きな<S2>文字と<C#FFC040>色<C#FFFFFF>、(漢字,かんじ)<E1>縁取り<E0>と影&\n",
               "SavePath=save\\\nBackGround=bg_room.mag\n");
    s.copy(kData / "bg_room.mag");
    Window w(display, s, {"--scale", "3"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    expectGolden(w.readBack(), {0, 0, 1440, 200}, "sharp_page_x3");
}

// The room at 2.5 times (1600 x 1200), each filter on the window's pane and stripes.
TEST(SharpDesktop, EachScalingFilterMatchesItsGoldenReadBack) {
    VirtualDisplay display("1920x1440");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    for (const char* filter : {"nearest", "bilinear", "sharp", "whole"}) {
        Scenario s(std::string("filter-") + filter, "_textwait 0\n&\n", "SavePath=save\\\nBackGround=bg_room.mag\n");
        s.copy(kData / "bg_room.mag");
        s.write("qvl.ini", std::string("[Window]\nScaleFilter=") + filter + "\nSharpText=0\n");
        Window w(display, s, {"--scale", "1"});
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.waitForTranscript("text: "));
        w.resize(1600, 1200);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const qvl::Surface shown = w.readBack();
        ASSERT_EQ(shown.width(), 1600) << filter;
        if (std::string(filter) == "whole") {
            // Twice the scene, centred, black around it.
            EXPECT_EQ(shown.pixel(150, 600) & 0xFFFFFF, 0u);
            EXPECT_NE(shown.pixel(170, 600) & 0xFFFFFF, 0u);
        }
        expectGolden(shown, {1100, 250, 320, 240}, std::string("sharp_filter_") + filter);
    }
}

TEST(SharpDesktop, ANewPlayersWindowIsTheLargestWholeMultipleThatFitsTheDesktop) {
    VirtualDisplay display("3840x2160");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s = blackScene("firststart");
    Window w(display, s, {}, {}, true);
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: "));
    const qvl::Surface shown = w.readBack();
    EXPECT_EQ(shown.width(), 2560);
    EXPECT_EQ(shown.height(), 1920);
    // The size the player leaves it at is the next start's.
    w.resize(1000, 750);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.key("Escape");
    w.key("Return");
    ASSERT_EQ(w.exitCode(), 0);
    EXPECT_NE(readAll(s.dir() / "qvl.ini").find("WindowWidth=1000"), std::string::npos);
    Window again(display, s, {}, {}, true);
    ASSERT_TRUE(again.open());
    ASSERT_TRUE(again.waitForTranscript("text: "));
    const qvl::Surface next = again.readBack();
    EXPECT_EQ(next.width(), 1000);
    EXPECT_EQ(next.height(), 750);
}

// Scene pixels where two headless frames differ: where a box or menu lies.
qvl::Rect boxBetween(const qvl::Surface& with, const qvl::Surface& without) {
    int x0 = with.width(), y0 = with.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < std::min(with.height(), without.height()); ++y)
        for (int x = 0; x < std::min(with.width(), without.width()); ++x)
            if ((with.pixel(x, y) & 0xFFFFFF) != (without.pixel(x, y) & 0xFFFFFF)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y);
                x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    return x1 < 0 ? qvl::Rect{} : qvl::Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// Scene pixels of `box` whose three-by-three block in a read-back at three times
// is not one colour: none when the 640x480 picture is blown up, many where text
// is drawn at the window's resolution.
int finerThanTheScene(const qvl::Surface& shown, qvl::Rect box) {
    int finer = 0;
    for (int y = box.y; y < box.y + box.h; ++y)
        for (int x = box.x; x < box.x + box.w; ++x) {
            const uint32_t first = shown.pixel(3 * x, 3 * y) & 0xFFFFFF;
            bool same = true;
            for (int dy = 0; dy < 3 && same; ++dy)
                for (int dx = 0; dx < 3 && same; ++dx)
                    for (int shift = 0; shift < 24 && same; shift += 8)
                        if (std::abs(int((shown.pixel(3 * x + dx, 3 * y + dy) >> shift) & 0xFF) -
                                     int((first >> shift) & 0xFF)) > 8)
                            same = false;
            if (!same) ++finer;
        }
    return finer;
}

// The popup menu, the save dialog and the message-log view at three times: their
// text drawn at the window's resolution (and matching its golden read-back), the
// rest of each the 640x480 picture blown up.
TEST(SharpDesktop, TheMenuADialogAndTheLogAreDrawnAtTheWindowsResolution) {
    VirtualDisplay display("1920x1440");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s("sharpboxes", "_textclear\n一行目\n二行目\n三行目\n", "SavePath=save\\\nBackGround=bg_room.mag\n");
    s.copy(kData / "bg_room.mag");
    const qvl::Surface still = s.headlessFrame("click\n");
    struct Case {
        const char* name;
        std::string headless;
        std::function<void(Window&)> open;
        const char* opened;
        int finer;
    };
    const std::vector<Case> cases = {
        {"menu", "click\nrclick 300 200\n", [](Window& w) { w.click(900, 600, 3); }, "menu: open", 1500},
        {"dialog", "click\nkey Ctrl+s\n", [](Window& w) { w.key("ctrl+s"); }, nullptr, 3000},
        {"log", "click\nkey PageUp\n", [](Window& w) { w.key("Prior"); }, "dialog: log page", 1000},
    };
    for (const Case& c : cases) {
        const qvl::Rect box = boxBetween(s.headlessFrame(c.headless), still);
        ASSERT_GT(box.w, 20) << c.name;
        Window w(display, s, {"--scale", "3"});
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        w.click(900, 600);
        ASSERT_TRUE(w.waitForTranscript("text: 二行目")) << w.transcript();
        c.open(w);
        // The save dialog writes no line when it opens: its picture is waited for.
        if (c.opened) {
            ASSERT_TRUE(w.waitForTranscript(c.opened)) << c.name;
        }
        qvl::Surface shown;
        for (int tries = 0; tries < 20; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            shown = w.readBack();
            if (shown.width() == 1920 && finerThanTheScene(shown, box) > c.finer) break;
        }
        ASSERT_EQ(shown.width(), 1920);
        EXPECT_GT(finerThanTheScene(shown, box), c.finer) << c.name;
        expectGolden(shown, {3 * box.x, 3 * box.y, 3 * box.w, 3 * box.h}, std::string("sharp_") + c.name + "_x3");
    }
}


// A picture's scene pixels as ink or not: white text on black, the window at
// `scale` times with the scene at its top-left, each scene pixel the mean of
// its scale-by-scale block.
std::vector<bool> inkOf(const qvl::Surface& shown, int scale) {
    std::vector<bool> ink(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            int sum = 0;
            for (int dy = 0; dy < scale; ++dy)
                for (int dx = 0; dx < scale; ++dx) sum += int(shown.pixel(scale * x + dx, scale * y + dy) >> 8 & 0xFF);
            ink[std::size_t(y * 640 + x)] = sum > 128 * scale * scale;
        }
    return ink;
}

// How far a read-back's text band is from one copy of the line: the least, over
// the two renderings and the offsets the effect may move the picture by, of the
// band's pixels whose ink differs, as a share of the rendering's ink there.
// One copy, sharp or blown up, where the effect put it, scores near nothing
// (the two renderings' edges differ, and a box-downscaled sharp glyph is
// rounded to ink at a middle grey); a missing line scores one, and a second
// copy anywhere in the band adds about one. A second copy exactly on the first
// is not caught, and cannot be seen as two either.
double oneCopyError(const std::vector<bool>& shown, const std::vector<std::vector<bool>>& renderings, qvl::Rect band,
                    qvl::Rect offsets) {
    double best = 1e9;
    for (const std::vector<bool>& r : renderings)
        for (int oy = offsets.y; oy < offsets.y + offsets.h; ++oy)
            for (int ox = offsets.x; ox < offsets.x + offsets.w; ++ox) {
                int differ = 0, ink = 0;
                for (int y = band.y; y < band.y + band.h; ++y)
                    for (int x = band.x; x < band.x + band.w; ++x) {
                        const int sx = x - ox, sy = y - oy;
                        const bool expected = sx >= 0 && sy >= 0 && sx < 640 && sy < 480 && r[std::size_t(sy * 640 + sx)];
                        ink += expected;
                        differ += expected != shown[std::size_t(y * 640 + x)];
                    }
                best = std::min(best, double(differ) / double(std::max(ink, 1)));
            }
    return best;
}

// What X shows in the window, taken by the X server whatever the program is
// doing; empty when it cannot be had.
qvl::Surface grabWindow(const VirtualDisplay& display, const Window& w, int width, int height) {
    Display* x = XOpenDisplay(display.display().c_str());
    if (!x) return {};
    qvl::Surface out;
    if (XImage* image = XGetImage(x, ::Window(std::stoul(w.id())), 0, 0, unsigned(width), unsigned(height), AllPlanes,
                                  ZPixmap)) {
        if (image->bits_per_pixel == 32) {
            out = qvl::Surface(width, height, 0);
            for (int y = 0; y < height; ++y)
                for (int i = 0; i < width; ++i)
                    out.row(y)[i] =
                        reinterpret_cast<const uint32_t*>(image->data + std::ptrdiff_t(y) * image->bytes_per_line)[i] &
                        0xFFFFFF;
        }
        XDestroyImage(image);
    }
    XCloseDisplay(x);
    return out;
}

// The part below the line at three times neither one background nor the other
// (nor the black before them): a transition caught between them.
bool betweenTwoPictures(const qvl::Surface& shown) {
    const uint32_t first = shown.pixel(30, 3 * 70);
    for (int y = 70; y < 480; y += 40)
        for (int x = 10; x < 640; x += 40)
            if ((shown.pixel(3 * x, 3 * y) & 0xFFFFFF) != (first & 0xFFFFFF)) return true;
    return first != 0x2040C0 && first != 0xC04020 && first != 0;
}

// At three times, transitions, a shake and the scroll roll over a page of text,
// slowed down (repeated, long steps) so that read-backs land inside them: every
// read-back shows the line once, sharp or blown up, never both and never none.
TEST(SharpDesktop, TransitionsAShakeAndTheScrollRollShowTheTextOnce) {
    VirtualDisplay display("1920x1440");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    // A transition runs only when the picture changes: two backgrounds, black
    // behind the line, take turns below it.
    std::string fades;
    for (int i = 0; i < 12; ++i)
        for (const char* kind : {"BLEND0", "TILE0", "SCROLL0", "PAT0"})
            fades += std::string("_bgload \"low") + char('1' + i % 2) + ".bmp\"\n_fade #" + kind + "\n";
    struct Case {
        const char* name;
        std::string effect;
        qvl::Rect offsets;  // how far the effect may move the line, scene pixels
        bool grab;
    };
    const std::vector<Case> cases = {
        {"transitions", fades, {0, 0, 1, 1}, true},
        {"shake", "_shake 8,40,120\n", {-8, -8, 16, 16}, false},
        // Black fill, one row every 300 ms: the line climbs at most 16 rows.
        {"scroll", "_scroll 300,#000000,1,0,0\n|16\n_endscroll\n", {0, -17, 1, 18}, false},
    };
    // The line with its ruby room and the room a shake moves it in; the closing
    // line below stays out of it.
    const qvl::Rect band{0, 0, 8 * 24 + 16, 52};
    for (const Case& c : cases) {
        Scenario s(std::string("sharpfx-") + c.name, "_textwait 0\n" + kLine + "\n" + c.effect + "終わり\n",
                   "SavePath=save\\\n");
        for (uint32_t colour : {0x2040C0u, 0xC04020u}) {
            qvl::Surface low(640, 480, 0);
            low.fillRect({0, 60, 640, 420}, colour);
            writeAll(s.dir() / (colour == 0x2040C0u ? "low1.bmp" : "low2.bmp"), qvl::encodeBmp(low));
        }
        const qvl::Surface blownUp = s.headlessFrame("");
        ASSERT_EQ(blownUp.width(), 640) << c.name;
        Window w(display, s, {"--scale", "3"});
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.waitForTranscript("text: " + kLine));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const qvl::Surface still = w.readBack();
        ASSERT_EQ(still.width(), 1920) << c.name;
        const std::vector<std::vector<bool>> renderings{inkOf(still, 3), inkOf(blownUp, 1)};
        // The still read-back is the sharp rendering: it must itself be one copy.
        ASSERT_LT(oneCopyError(renderings[1], {renderings[0]}, band, {0, 0, 1, 1}), 0.35) << c.name;
        const int sharpDetail = finerThanTheScene(still, band);
        // The measure sees a second copy: the sharp line with the blown-up one
        // a few pixels off.
        std::vector<bool> doubled = renderings[0];
        for (int y = 0; y < 480; ++y)
            for (int x = 4; x < 640; ++x)
                if (renderings[1][std::size_t(y * 640 + x - 4)]) doubled[std::size_t(y * 640 + x)] = true;
        ASSERT_GT(oneCopyError(doubled, renderings, band, c.offsets), 0.5) << c.name;
        w.click(900, 900);
        int taken = 0, inside = 0;
        double worst = 0;
        const auto end = Clock::now() + std::chrono::seconds(120);
        while (Clock::now() < end && w.transcript().find("text: 終わり") == std::string::npos) {
            // Transitions: X's copy of the window, taken whatever the program is
            // doing, besides the program's own read-back of the others.
            const qvl::Surface shown = c.grab ? grabWindow(display, w, 1920, 1440) : w.readBack();
            if (shown.width() != 1920) break;
            const std::vector<bool> ink = inkOf(shown, 3);
            const double error = oneCopyError(ink, renderings, band, c.offsets);
            ++taken;
            // Inside the effect: the backgrounds half changed, the line blown up
            // (no finer detail than the scene's pixels) or moved.
            if ((c.grab && betweenTwoPictures(shown)) || finerThanTheScene(shown, band) * 4 < sharpDetail ||
                oneCopyError(ink, {renderings[0]}, band, {0, 0, 1, 1}) > 0.35)
                ++inside;
            if (error > worst) {
                worst = error;
                if (error > 0.35) keepForALook(shown, still);
            }
        }
        EXPECT_LE(worst, 0.35) << c.name << ": " << taken << " read-backs";
        EXPECT_GE(inside, 2) << c.name << ": " << taken << " read-backs, too few inside the effect";
        ASSERT_TRUE(w.waitForTranscript("text: 終わり", std::chrono::seconds(60))) << c.name;
    }
}

// The popup menu and the save dialog at a full screen of 1366 x 768 (1.6 times):
// their text is drawn anew at that size, so the box differs from the same box
// with sharp text off, and matches its golden read-back.
TEST(SharpDesktop, TheMenuAndADialogAtAFractionalFullScreenScaleAreDrawnAtTheWindowsResolution) {
    VirtualDisplay display("1366x768");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    if (!display.startWindowManager()) GTEST_SKIP() << "no window manager (openbox) to grant full screen";
    Scenario s("sharpfracboxes", "_textclear\n一行目\n二行目\n三行目\n", "SavePath=save\\\nBackGround=bg_room.mag\n");
    s.copy(kData / "bg_room.mag");
    const qvl::Surface still = s.headlessFrame("click\n");
    // The scene 1024 x 768, centred: scene (x, y) at window (171 + 1.6x, 1.6y).
    auto toWindow = [](qvl::Rect r) {
        const int x0 = 171 + int(std::floor(r.x * 1.6)), y0 = int(std::floor(r.y * 1.6));
        return qvl::Rect{x0, y0, 171 + int(std::ceil((r.x + r.w) * 1.6)) - x0, int(std::ceil((r.y + r.h) * 1.6)) - y0};
    };
    struct Case {
        const char* name;
        std::string headless;
        std::function<void(Window&)> open;
    };
    const std::vector<Case> cases = {
        {"menu", "click\nrclick 300 200\n", [](Window& w) { w.click(171 + 480, 320, 3); }},
        {"dialog", "click\nkey Ctrl+s\n", [](Window& w) { w.key("ctrl+s"); }},
    };
    for (const Case& c : cases) {
        const qvl::Rect box = toWindow(boxBetween(s.headlessFrame(c.headless), still));
        ASSERT_GT(box.w, 30) << c.name;
        qvl::Surface shown[2];
        for (const bool sharp : {false, true}) {
            s.write("qvl.ini", std::string("[Window]\nSharpText=") + (sharp ? "1" : "0") + "\n");
            Window w(display, s);
            ASSERT_TRUE(w.open());
            ASSERT_TRUE(w.waitForTranscript("text: 一行目"));
            w.key("F11");
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            w.click(683, 600);
            ASSERT_TRUE(w.waitForTranscript("text: 二行目")) << w.transcript();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const qvl::Surface before = w.readBack();
            c.open(w);
            // The box is waited for: the save dialog writes no line when it opens.
            for (int tries = 0; tries < 20; ++tries) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                shown[sharp] = w.readBack();
                if (shown[sharp].width() == 1366 && before.width() == 1366 &&
                    compareBand(shown[sharp], before, box).differ > box.w * box.h / 4)
                    break;
            }
            ASSERT_EQ(shown[sharp].width(), 1366) << c.name;
            ASSERT_EQ(shown[sharp].height(), 768) << c.name;
        }
        // Pixels of the box the sharp text changed: glyphs drawn at 1.6 times
        // cover other pixels than blown-up 640 x 480 glyphs.
        int changed = 0;
        for (int y = box.y; y < box.y + box.h; ++y)
            for (int x = box.x; x < box.x + box.w; ++x)
                for (int shift = 0; shift < 24; shift += 8)
                    if (std::abs(int((shown[0].pixel(x, y) >> shift) & 0xFF) -
                                 int((shown[1].pixel(x, y) >> shift) & 0xFF)) > 48) {
                        ++changed;
                        break;
                    }
        EXPECT_GT(changed, 1500) << c.name;
        expectGolden(shown[1], box, std::string("sharp_") + c.name + "_fractional");
    }
}

// At twice the size, each frame of the wait icon draws and sends only the icon's
// square. Its frames here are all alike, so X's copy of the window, taken a few
// frames after a read-back drew the whole, must be that drawing to the pixel;
// the read-back itself finds the program's own pixels as a whole drawing gives.
TEST(SharpDesktop, TheWaitIconsFramesAtTwiceTheSizeLeaveTheWindowAsAWholeDrawing) {
    VirtualDisplay display;
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s("sharpicon", "_textwait 0\n" + kLine + "&\n二ページ目\n", "SavePath=save\\\nIcon=icon.bmp\n");
    // Eight like frames a row: a block on the see-through colour of the top-left.
    qvl::Surface sheet(256, 64, 0xFF00FF);
    for (int cell = 0; cell < 16; ++cell) sheet.fillRect({cell % 8 * 32 + 4, cell / 8 * 32 + 8, 20, 16}, 0xE0C020);
    writeAll(s.dir() / "icon.bmp", qvl::encodeBmp(sheet));
    Window w(display, s, {"--scale", "2"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: " + kLine));
    for (int i = 0; i < 4; ++i) {
        // A few of the icon's frames after the read-back drew everything.
        std::this_thread::sleep_for(std::chrono::milliseconds(350));
        const qvl::Surface shown = grabWindow(display, w, 1280, 960);
        const qvl::Surface drawn = w.readBack();
        ASSERT_EQ(shown.width(), 1280);
        ASSERT_EQ(drawn.width(), 1280);
        // Smooth edges: the line drawn at this size, not blown up from the scene's.
        ASSERT_GT(compareBand(drawn, drawn, {0, 0, 2 * 8 * 24, 2 * 52}).smooth, 200);
        ASSERT_NE(drawn.pixel(2 * 200, 2 * 24) & 0xFFFFFF, 0u) << "no icon";
        const qvl::Rect differ = boxBetween(shown, drawn);
        if (!differ.empty()) keepForALook(shown, drawn);
        ASSERT_TRUE(differ.empty()) << differ.x << "," << differ.y << " " << differ.w << "x" << differ.h;
    }
}

// At three times each frame of a fade takes longer than its pace, leaving no wait
// inside it: Esc is still answered there, with the exit question over a frame of
// the fade, not once the fade is over (nor between two fades).
TEST(SharpDesktop, EscDuringAFadeAtThreeTimesOpensTheQuestionInsideIt) {
    VirtualDisplay display("1920x1440");
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    std::string fades;
    for (int i = 0; i < 200; ++i) fades += std::string("_bgload \"low") + char('1' + i % 2) + ".bmp\"\n_fade #BLEND0\n";
    Scenario s("fadeesc", "_textwait 0\n" + kLine + "\n" + fades + "終わり\n", "SavePath=save\\\n");
    const uint32_t colours[2] = {0x2040C0u, 0xC04020u};
    for (int i = 0; i < 2; ++i) {
        qvl::Surface low(640, 480, colours[i]);
        writeAll(s.dir() / (i ? "low2.bmp" : "low1.bmp"), qvl::encodeBmp(low));
    }
    Window w(display, s, {"--scale", "3"});
    ASSERT_TRUE(w.open());
    ASSERT_TRUE(w.waitForTranscript("text: " + kLine));
    w.click(900, 900);
    // A fade's first and last frames are the two pictures themselves: a question
    // that comes up over them is tried again.
    bool inside = false;
    for (int tries = 0; tries < 6 && !inside; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        w.key("Escape");
        const qvl::Surface shown = w.readBack();
        ASSERT_EQ(shown.width(), 1920);
        // Below the box: a mix of the two colours, not either.
        const uint32_t under = shown.pixel(3 * 30, 3 * 440) & 0xFFFFFF;
        inside = under != colours[0] && under != colours[1] && under != 0;
        w.key("Escape");  // no: the fades go on
    }
    EXPECT_TRUE(inside) << "the question came up only between fades";
    w.key("Escape");
    w.key("Return");
    EXPECT_EQ(w.exitCode(), 0);
    const std::string transcript = w.transcript();
    EXPECT_NE(transcript.find("-> cancel\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("-> ok\nexit: 0"), std::string::npos) << transcript;
    EXPECT_EQ(transcript.find("text: 終わり"), std::string::npos) << transcript;
}

}  // namespace
