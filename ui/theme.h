#pragma once
// The look of the widget kit: the grey three-dimensional style of the desktop the
// scenarios were written on. Overlay pixels carry alpha in the top byte, so every
// colour here is drawn opaque.
#include "graphics/surface.h"
#include "platform/fonts.h"

#include <cstdint>

namespace qvl::ui {

inline constexpr uint32_t kOpaque = 0xFF000000u;

inline constexpr uint32_t kFaceColour = 0xC0C0C0;
inline constexpr uint32_t kLightColour = 0xDFDFDF;
inline constexpr uint32_t kHighlightColour = 0xFFFFFF;
inline constexpr uint32_t kShadowColour = 0x808080;
inline constexpr uint32_t kDarkShadowColour = 0x000000;
inline constexpr uint32_t kTitleColour = 0x000080;
inline constexpr uint32_t kTitleTextColour = 0xFFFFFF;
inline constexpr uint32_t kWindowColour = 0xFFFFFF;
inline constexpr uint32_t kTextColour = 0x000000;
inline constexpr uint32_t kGreyTextColour = 0x808080;
inline constexpr uint32_t kSelectionColour = 0x000080;
inline constexpr uint32_t kSelectionTextColour = 0xFFFFFF;

inline constexpr int kUiFontSize = 12;
inline constexpr int kUiLineHeight = kUiFontSize + 2;

// The Japanese desktop's gothic face, by its Shift-JIS name.
platform::FontSpec uiFont(int height = kUiFontSize, bool bold = false);

// Fill with an opaque colour.
void fillOpaque(Surface& s, Rect r, uint32_t colour);
// One-pixel frame: topLeft on the top and left edges, bottomRight on the others.
void drawFrame(Surface& s, Rect r, uint32_t topLeft, uint32_t bottomRight);
// Window and button edge (two pixels, lit from the top left).
void drawRaised(Surface& s, Rect r);
// Field and list edge (two pixels, pressed in).
void drawSunken(Surface& s, Rect r);
// Dotted focus rectangle.
void drawFocusRect(Surface& s, Rect r);

Rect inset(Rect r, int by);

}  // namespace qvl::ui
