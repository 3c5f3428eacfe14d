#include "graphics/scene_cache.h"

#include "graphics/surface_bank.h"

#include <algorithm>

namespace qvl {

namespace {

constexpr int kBackgroundLayer = 0, kEffectLayer = 1;

SceneCache::Layer layerOf(const SurfaceBank& bank, SurfaceId picture, SurfaceId mask, bool drawn) {
    const SurfaceState& s = bank.state(picture);
    const Surface& p = bank[picture];
    SceneCache::Layer layer{drawn, s.x, s.y, s.masked, s.order, s.effectKind, s.maskMode};
    layer.width = p.width();
    layer.height = p.height();
    layer.pictureChanges = bank.changes(picture);
    layer.maskChanges = bank.changes(mask);
    return layer;
}

// The background is drawn from its top-left 640 x 480 at its offset.
bool backgroundCoversAll(const SceneCache::Inputs& in) {
    const SceneCache::Layer& bg = in.layers[kBackgroundLayer];
    return bg.drawn && bg.x <= 0 && bg.y <= 0 && int64_t(bg.x) + std::min(bg.width, kSceneWidth) >= in.width &&
           int64_t(bg.y) + std::min(bg.height, kSceneHeight) >= in.height;
}

void markRows(std::vector<uint8_t>& rows, const SceneCache::Layer& layer) {
    if (!layer.drawn) return;
    const auto top = std::clamp<int64_t>(layer.y, 0, int64_t(rows.size()));
    const auto bottom = std::clamp<int64_t>(int64_t(layer.y) + layer.height, 0, int64_t(rows.size()));
    std::fill(rows.begin() + top, rows.begin() + std::max(top, bottom), uint8_t(1));
}

}  // namespace

SceneCache::Inputs SceneCache::inputsOf(const SurfaceBank& bank, bool dark, int32_t rate) {
    Inputs in;
    const Surface& vram = bank[SurfaceId::VirtualVram];
    in.width = vram.width();
    in.height = vram.height();
    in.dark = dark;
    in.rate = dark ? rate : 0;
    in.layers[kBackgroundLayer] =
        layerOf(bank, SurfaceId::Background, SurfaceId::BackgroundMask, bank.state(SurfaceId::Background).shown == 1);
    const SurfaceState& effect = bank.state(SurfaceId::Effect);
    in.layers[kEffectLayer] = layerOf(bank, SurfaceId::Effect, SurfaceId::EffectMask,
                                      effect.shown == 1 && effect.order >= 0 && effect.order <= 2);
    for (int slot = 0; slot < kPersonSlots; ++slot)
        in.layers[std::size_t(2 + slot)] =
            layerOf(bank, personSurface(slot), personMaskSurface(slot), bank.state(personSurface(slot)).shown == 1);
    return in;
}

std::vector<RowSpan> SceneCache::rowsToCompose(const Inputs& now) {
    restoring_ = false;
    if (!backgroundCoversAll(now)) {
        valid_ = vramHolds_ = pictureHolds_ = false;
        picture_ = Surface();
        return {};
    }
    std::vector<uint8_t> rows(std::size_t(now.height), 0);
    if (!valid_ || (!vramHolds_ && !pictureHolds_) || now.width != last_.width || now.height != last_.height ||
        now.dark != last_.dark || now.rate != last_.rate ||
        now.layers[kBackgroundLayer] != last_.layers[kBackgroundLayer]) {
        // Every row is composed straight into VirtualVram; nothing is copied aside.
        std::fill(rows.begin(), rows.end(), uint8_t(1));
        pictureHolds_ = false;
    } else {
        restoring_ = !vramHolds_;
        for (std::size_t n = 0; n < now.layers.size(); ++n) {
            if (now.layers[n] == last_.layers[n]) continue;
            markRows(rows, last_.layers[n]);
            markRows(rows, now.layers[n]);
        }
    }
    valid_ = vramHolds_ = true;
    last_ = now;
    std::vector<RowSpan> spans;
    for (int y = 0; y < now.height;) {
        if (!rows[std::size_t(y)]) {
            ++y;
            continue;
        }
        RowSpan span{y, y};
        while (span.bottom < now.height && rows[std::size_t(span.bottom)]) ++span.bottom;
        spans.push_back(span);
        y = span.bottom;
    }
    return spans;
}

void SceneCache::beforeVramChange(const Surface& vram) {
    if (valid_ && vramHolds_ && !pictureHolds_) {
        if (picture_.width() != vram.width() || picture_.height() != vram.height())
            picture_ = Surface(vram.width(), vram.height());
        picture_.blit(vram, 0, 0);
        pictureHolds_ = true;
    }
    vramHolds_ = false;
}

}  // namespace qvl
