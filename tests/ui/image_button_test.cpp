#include "ui/image_button.h"

#include "fake_host.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

using platform::Event;
using platform::MouseButton;

constexpr uint32_t kPanel = 0x336699;

uint32_t opaque(uint32_t colour) {
    return colour | kOpaque;
}

Surface drawn(ImageButton& button) {
    Surface overlay(200, 100, 0);
    button.draw(overlay, test::sharedFonts());
    return overlay;
}

TEST(ImageButton, ThePictureIsSqueezedWholeUnderFramesInTheirOrder) {
    Surface picture(112, 32);  // one colour a column
    for (int x = 0; x < 112; ++x) picture.fillRect({x, 0, 1, 32}, 0x010203u * uint32_t(x + 1));
    ImageButton button({0, 0, 64, 32});
    button.setBevelOuter(Bevel::None);
    button.setPictureImg(picture);
    picture.fill(0);  // the button keeps its own copy
    Surface s = drawn(button);
    EXPECT_EQ(s.pixel(0, 5), opaque(0x010203u));
    EXPECT_EQ(s.pixel(63, 0), opaque(0x010203u * 111)) << "the right end of the picture is shown";

    // Outer bevel raised two deep, border one, inner bevel lowered: rings from the edge in.
    button.setBevelOuter(Bevel::Raised);
    button.setBevelWidth(2);
    button.setBorderWidth(1);
    button.setBevelInner(Bevel::Lowered);
    button.setColour(kPanel);
    s = drawn(button);
    const uint32_t top[] = {kHighlightColour, kHighlightColour, kPanel, kShadowColour, kShadowColour};
    for (int y = 0; y < 5; ++y) EXPECT_EQ(s.pixel(30, y), opaque(top[y])) << y;
    EXPECT_EQ(s.pixel(30, 27), opaque(kHighlightColour));
    EXPECT_EQ(s.pixel(32, 16), opaque(0x010203u * 57));

    button.setPictureImg(Surface());
    EXPECT_EQ(drawn(button).pixel(32, 16), opaque(kPanel)) << "without a picture: a plain panel";
}

TEST(ImageButton, TheLeftButtonSinksTheBevelAndClicksOnlyWhenReleasedInside) {
    ImageButton button({10, 10, 40, 20});
    int clicks = 0;
    button.onClick = [&] { ++clicks; };
    auto mouse = [&](Event::Type type, int x, MouseButton b = MouseButton::Left) {
        Event e;
        e.type = type;
        e.x = x;
        e.y = 20;
        e.button = b;
        button.handle(e);
    };
    mouse(Event::Type::MouseDown, 20, MouseButton::Right);
    EXPECT_EQ(button.bevelOuter(), Bevel::Raised) << "a right press changes nothing";
    mouse(Event::Type::MouseUp, 20, MouseButton::Right);
    mouse(Event::Type::MouseDown, 20);
    EXPECT_EQ(drawn(button).pixel(20, 10), opaque(kShadowColour)) << "pressed: the colours swap";
    mouse(Event::Type::MouseUp, 20);
    EXPECT_EQ(button.bevelOuter(), Bevel::Raised);
    EXPECT_EQ(clicks, 1);

    mouse(Event::Type::MouseDown, 20);
    mouse(Event::Type::MouseUp, 150);
    EXPECT_EQ(button.bevelOuter(), Bevel::Raised) << "released outside: raised again, no click";
    EXPECT_EQ(clicks, 1);
}

TEST(ImageButton, TheCaptionLiesInAFontHighBandInTheMiddleAlignedAsAsked) {
    ImageButton button({10, 10, 120, 41}, "WW");
    button.setColour(kPanel);
    button.setTextColour(0xFFFFFF);
    button.setBevelOuter(Bevel::None);
    auto ink = [&] {
        Surface s = drawn(button);
        int x0 = 999, y0 = 999, x1 = -1, y1 = -1;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                if ((s.pixel(x, y) >> 24) && s.pixel(x, y) != opaque(kPanel))
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        return Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    };
    // The band: top = (10 + 51 - 12) / 2 = 24, twelve rows.
    for (TextAlign align : {TextAlign::Left, TextAlign::Centre, TextAlign::Right}) {
        button.setAlignment(align);
        Rect r = ink();
        ASSERT_GT(r.w, 0);
        EXPECT_TRUE(r.y >= 24 && r.y + r.h <= 36) << r.y << "+" << r.h;
        int left = r.x - 10, right = 130 - (r.x + r.w);
        int off = align == TextAlign::Left ? left : align == TextAlign::Right ? right : std::abs(left - right);
        EXPECT_LE(off, 3) << "alignment " << int(align) << ": " << left << " left, " << right << " right";
    }

    std::string wide = platform::utf8ToSjis("表");
    EXPECT_EQ(expandTabs(wide + "\tx\t"), wide + "      x       ") << "a double-byte character is two columns";
}

}  // namespace
}  // namespace qvl::ui
