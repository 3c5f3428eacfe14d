// The text window's script commands.
#include "app/tfmain.h"
#include "graphics/masks.h"
#include "platform/encoding.h"
#include "script/script_loader.h"

namespace qvl {

void TFmain::registerTextCommands() {
    Dispatcher& d = dispatcher_;
    TextWindowState& t = textWindow;
    auto given = [this](int slot) { return !state.ProgArgs[std::size_t(slot)].empty(); };

    d.add("_textclear", [this] {
        state.ProgMultiStateFlag = 0;
        clearTextWindow();
    });
    d.add("_textrect", [this] {
        const int x1 = drawCoordinate(argValue(0, 0)), y1 = drawCoordinate(argValue(1, 0));
        const int x2 = drawCoordinate(argValue(2, 0)), y2 = drawCoordinate(argValue(3, 0));
        Rect r{x1, y1, x2 - x1 + 1, y2 - y1 + 1};
        bank_[SurfaceId::Text].fillRect(r, 0x000000);
        bank_[SurfaceId::TextMask].fillRect(r, 0xFFFFFF);
    });
    d.add("_textcur", [this, &t, given] {
        if (given(0)) t.cursorX = wrap32(int64_t(argValue(0, 0)) * t.cellWidth);
        if (given(1)) t.cursorY = wrap32(int64_t(argValue(1, 0)) * (int64_t(t.cellHeight) + t.rubyGap));
    });
    d.add("_textcurto", [this, &t] {
        t.cursorX = wrap32(t.cursorX + int64_t(argValue(0, 0)) * t.cellWidth);
        t.cursorY = wrap32(t.cursorY + int64_t(argValue(1, 0)) * (int64_t(t.cellHeight) + t.rubyGap));
    });
    d.add("_textloc", [this, &t] {
        t.cursorX = argValue(0, t.cursorX);
        t.cursorY = argValue(1, t.cursorY);
    });
    d.add("_textlocto", [this, &t] {
        t.cursorX = wrap32(int64_t(t.cursorX) + argValue(0, 0));
        t.cursorY = wrap32(int64_t(t.cursorY) + argValue(1, 0));
    });
    d.add("_textwait", [this, &t] { t.charDelay = argValue(0, 1); });
    d.add("_textoffset", [this, &t] {
        t.originX = argValue(0, 0);
        t.originY = argValue(1, 0);
    });
    d.add("_textimage", [this, &t] {
        const auto& a = state.ProgArgs;
        const int x = drawCoordinate(argValue(0, wrap32(int64_t(t.cursorX) + t.originX)));
        const int y = drawCoordinate(argValue(1, wrap32(int64_t(t.cursorY) + t.originY)));
        std::optional<Surface> picture = readPicture(expandDataDrive(a[2], settings.dataDriveRoot));
        if (!picture || picture->empty()) return;
        const std::string colour = a[3].empty() ? std::string("#NONE") : a[3];
        static const SceneTexts texts = SceneTexts::fromUtf8([](std::string_view u) { return platform::utf8ToSjis(u); });
        const int32_t key = parseTransparency(colour, *picture, *this, texts);
        Surface mask(picture->width(), picture->height(), 0x000000);
        if (isKeyColour(key)) maskFromKey(*picture, mask, key);
        putTextLayerPicture(*picture, mask, x, y);
    });
}

}  // namespace qvl
