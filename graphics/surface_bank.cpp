#include "graphics/surface_bank.h"

#include "graphics/effects.h"

#include <utility>

namespace qvl {

namespace {

constexpr int kEmptySize = 8;  // what an unused surface shrinks to
constexpr uint32_t kBlack = 0;
constexpr uint32_t kWhite = 0xFFFFFF;

struct SurfaceNames {
    std::string_view name;
    std::string_view debugLabel;
};

constexpr std::array<SurfaceNames, kSurfaceCount> kSurfaceNames{{
    {"VirtualVram", "仮想ＶＲＡＭ"},
    {"Background", "背景"},
    {"Effect", "効果"},
    {"Text", "テキスト"},
    {"BackgroundMask", "背景Ｍ(未使用)"},
    {"EffectMask", "効果Ｍ"},
    {"TextMask", "テキストＭ"},
    {"Temp1", "ＴＥＭＰ１"},
    {"Temp2", "ＴＥＭＰ２"},
    {"Person0", "人物０"},
    {"Person0Mask", "人物０Ｍ"},
    {"Person1", "人物１"},
    {"Person1Mask", "人物１Ｍ"},
    {"Person2", "人物２"},
    {"Person2Mask", "人物２Ｍ"},
    {"SpriteSheet", "スプライト"},
    {"SpriteSheetMask", "スプライトＭ"},
}};

bool validPersonSlot(int32_t slot) {
    return slot >= 0 && slot < kPersonSlots;
}
bool validSpriteSlot(int32_t slot) {
    return slot >= 0 && slot < kSpriteSlots;
}

void shrink(Surface& s) {
    resizeKeeping(s, kEmptySize, kEmptySize);
}

}  // namespace

std::string_view surfaceName(int n) {
    return n >= 0 && n < kSurfaceCount ? kSurfaceNames[std::size_t(n)].name : "";
}

std::string_view surfaceDebugLabel(int n) {
    return n >= 0 && n < kSurfaceCount ? kSurfaceNames[std::size_t(n)].debugLabel : "";
}

SurfaceBank::SurfaceBank(ScriptErrorReporter& reporter, SceneTexts texts)
    : reporter_(reporter), texts_(std::move(texts)) {
    resetSurfaces();
}

void SurfaceBank::resetSurfaces() {
    for (int n = int(SurfaceId::Background); n < kStateCount; ++n) {
        shrink((*this)[SurfaceId(n)]);
        SurfaceState& s = states[std::size_t(n)];
        s.shown = s.loaded = s.masked = 0;
        s.maskMode = 0;
        s.colourKey = kNoTransparency;
        s.x = s.y = s.order = 0;
        s.fileName.clear();
        s.maskName.clear();
    }
    shrink((*this)[SurfaceId::SpriteSheet]);
    shrink((*this)[SurfaceId::SpriteSheetMask]);
    sprites.fill(SpriteSlot{});
    sheet.colourKey = kNoTransparency;
    sheet.masked = sheet.valid = 0;
    sheet.fileName.clear();
    sheet.maskName.clear();

    (*this)[SurfaceId::Text] = Surface(kSceneWidth, kSceneHeight, kBlack);
    (*this)[SurfaceId::TextMask] = Surface(kSceneWidth, kSceneHeight, kWhite);
    resizeKeeping((*this)[SurfaceId::Temp1], kSceneWidth, kSceneHeight);
    resizeKeeping((*this)[SurfaceId::VirtualVram], kSceneWidth, kSceneHeight);
}

void SurfaceBank::loadSurface(SurfaceId id, std::optional<Surface> picture, std::string_view fileName) {
    if (int(id) < 0 || int(id) >= kStateCount) return;
    if (picture) (*this)[id] = std::move(*picture);
    SurfaceState& s = state(id);
    s.shown = s.masked = 0;
    s.loaded = 1;
    s.fileName = fileName;
    s.maskName.clear();
    s.colourKey = kNoTransparency;
    s.spare = s.x = s.y = s.order = s.effectKind = 0;
    s.spareFlag = 0;
}

void SurfaceBank::loadBackground(std::optional<Surface> picture, std::string_view fileName) {
    sceneDirty = true;
    loadSurface(SurfaceId::Background, std::move(picture), fileName);
    state(SurfaceId::Background).shown = 1;
}

int32_t SurfaceBank::transparencyKey(std::string_view text, const Surface& picture) {
    return parseTransparency(text, picture, reporter_, texts_);
}

void SurfaceBank::buildMask(Surface& picture, Surface& mask, int32_t key, std::optional<Surface> maskPicture,
                            bool pictureAligned) {
    Surface& temp2 = (*this)[SurfaceId::Temp2];
    if (isKeyColour(key)) {
        // The key mask leaves the work surface the picture's size, as the debug
        // window shows it.
        resizeKeeping(temp2, picture.width(), picture.height());
        maskFromKey(picture, mask, key);
    } else if (key == kMaskFromFile) {
        if (maskPicture) temp2 = std::move(*maskPicture);
        maskFromFile(picture, mask, temp2, pictureAligned);
    }
}

void SurfaceBank::loadPerson(int32_t slot, std::optional<Surface> picture, std::string_view fileName,
                             std::string_view transparency, std::optional<Surface> maskPicture) {
    if (!validPersonSlot(slot)) return;
    sceneDirty = true;
    Surface& person = (*this)[personSurface(slot)];
    if (picture) person = std::move(*picture);
    const int32_t key = transparencyKey(transparency, person);

    SurfaceState& s = state(personSurface(slot));
    s.fileName = fileName;
    s.maskName.clear();
    s.masked = key != kNoTransparency;
    s.shown = 0;
    s.loaded = 1;
    s.x = s.y = s.spare = 0;
    s.colourKey = key;
    s.spareFlag = 0;

    buildMask(person, (*this)[personMaskSurface(slot)], key, std::move(maskPicture), true);
    if (key == kMaskFromFile) s.maskName = transparency;
    state(personMaskSurface(slot)).fileName = s.maskName;
}

void SurfaceBank::placePerson(int32_t slot, int32_t show, std::string_view xText, std::string_view yText,
                              const Evaluate& evaluate) {
    if (!validPersonSlot(slot)) return;
    SurfaceState& s = state(personSurface(slot));
    if (!s.loaded) return;
    sceneDirty = true;
    if (show == -1) {
        s.shown = s.loaded = 0;
        s.x = s.y = 0;
        s.fileName.clear();
        s.maskName.clear();
        s.colourKey = kNoTransparency;
        s.spareFlag = 0;
        state(personMaskSurface(slot)).fileName.clear();
        shrink((*this)[personSurface(slot)]);
        shrink((*this)[personMaskSurface(slot)]);
        return;
    }
    // Only read: the picture stays as it is, and composition goes on trusting what it
    // found in it.
    const Surface& person = std::as_const(*this)[personSurface(slot)];
    s.shown = show != 0;
    s.x = positionX(xText, person.width(), evaluate);
    s.y = positionY(yText, person.height(), evaluate);
}

void SurfaceBank::loadEffect(std::optional<Surface> picture, std::string_view fileName, std::string_view transparency,
                             int32_t maskAlign, std::optional<Surface> maskPicture) {
    sceneDirty = true;
    loadSurface(SurfaceId::Effect, std::move(picture), fileName);
    Surface& effect = (*this)[SurfaceId::Effect];
    const int32_t key = transparencyKey(transparency, effect);
    SurfaceState& s = state(SurfaceId::Effect);
    s.masked = key != kNoTransparency;
    s.colourKey = key;
    buildMask(effect, (*this)[SurfaceId::EffectMask], key, std::move(maskPicture), maskAlign <= 0);
    if (key == kMaskFromFile) s.maskName = transparency;
    if (!s.masked)
        s.maskMode = int32_t(EffectMaskMode::None);
    else
        s.maskMode = int32_t(maskAlign <= 0 ? EffectMaskMode::Picture : EffectMaskMode::Screen);
}

bool SurfaceBank::setEffect(int32_t show, std::string_view keyword, int32_t x, int32_t y, int32_t order) {
    sceneDirty = true;
    SurfaceState& s = state(SurfaceId::Effect);
    if (show == -1) {
        s.shown = s.loaded = s.masked = 0;
        s.fileName.clear();
        s.maskName.clear();
        s.spare = s.x = s.y = s.order = 0;
        s.colourKey = kNoTransparency;
        SurfaceState& m = state(SurfaceId::EffectMask);
        m.shown = m.loaded = m.masked = 0;
        m.fileName.clear();
        shrink((*this)[SurfaceId::Effect]);
        shrink((*this)[SurfaceId::EffectMask]);
        return true;
    }
    // Only read, as in placePerson.
    const Surface& effect = std::as_const(*this)[SurfaceId::Effect];
    const Surface& mask = std::as_const(*this)[SurfaceId::EffectMask];
    if (s.maskMode == int32_t(EffectMaskMode::Picture) &&
        (mask.width() != effect.width() || mask.height() != effect.height())) {
        reporter_.scriptError(texts_.effectMaskArbitrary);
        return false;
    }
    if (s.maskMode == int32_t(EffectMaskMode::Screen) &&
        (mask.width() != kSceneWidth || mask.height() != kSceneHeight)) {
        reporter_.scriptError(texts_.effectMaskFixed);
        return false;
    }
    s.shown = show != 0;
    if (const auto kind = effectKindFromKeyword(keyword)) s.effectKind = int32_t(*kind);
    s.x = x;
    s.y = y;
    s.order = order;
    return true;
}

void SurfaceBank::loadSpriteSheet(std::optional<Surface> picture, std::string_view fileName, int32_t cellWidth,
                                  int32_t cellHeight, std::string_view transparency,
                                  std::optional<Surface> maskPicture) {
    sceneDirty = true;
    sheet.fileName = fileName;
    sheet.maskName.clear();
    Surface& sheetPicture = (*this)[SurfaceId::SpriteSheet];
    if (picture) sheetPicture = std::move(*picture);
    const int32_t key = transparencyKey(transparency, sheetPicture);
    sheet.cellWidth = cellWidth;
    sheet.cellHeight = cellHeight;
    sheet.colourKey = key;
    sheet.masked = key != kNoTransparency;
    sheet.columns = cellWidth > 0 ? sheetPicture.width() / cellWidth : 0;
    sheet.rows = cellHeight > 0 ? sheetPicture.height() / cellHeight : 0;
    for (SpriteSlot& slot : sprites) slot.x |= kSpriteNotDrawn;
    buildMask(sheetPicture, (*this)[SurfaceId::SpriteSheetMask], key, std::move(maskPicture), true);
    if (key == kMaskFromFile) sheet.maskName = transparency;
    if (sheet.columns != 0 && sheet.rows != 0) sheet.valid = 1;
}

void SurfaceBank::setSpriteCell(int32_t slot, int32_t column, int32_t row) {
    if (!validSpriteSlot(slot) || !sheet.valid) return;
    // A negative cell is no cell of the sheet either.
    if (column < 0 || column >= sheet.columns || row < 0 || row >= sheet.rows) return;
    SpriteSlot& s = sprites[std::size_t(slot)];
    s.column = column;
    s.row = row;
    s.animationCount = 0;
}

void SurfaceBank::setSpriteAnimation(int32_t slot, int32_t count) {
    if (validSpriteSlot(slot)) sprites[std::size_t(slot)].animationCount = count;
}

}  // namespace qvl
