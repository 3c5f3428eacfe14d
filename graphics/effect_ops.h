#pragma once
// The effect's word-wise ways of combining a scene pixel d with an effect pixel s,
// and what follows every pixel the effect covers (nothing, or the darkening), as
// small function objects: row loops inline them and the compiler vectorises.
#include "graphics/effects.h"

#include <cstdint>

namespace qvl::effect_ops {

struct Unchanged {
    static constexpr bool kNothing = true;
    uint32_t operator()(uint32_t p) const { return p; }
};
struct Darkened {
    static constexpr bool kNothing = false;
    uint32_t f;
    uint32_t operator()(uint32_t p) const { return darkenPixel(p, f); }
};

struct CopyOp {
    uint32_t operator()(uint32_t, uint32_t s) const { return s; }
};
struct OrOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return d | s; }
};
struct AndOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return d & s; }
};
struct XorOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return d ^ s; }
};
// Each channel's low bit is dropped before adding, so no channel carries into the next.
struct BlendOp {
    uint32_t operator()(uint32_t d, uint32_t s) const { return ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F); }
};

// Per-channel rules: each colour channel on its own, the top byte cleared.
template <typename ChannelOp>
struct Channelwise {
    uint32_t operator()(uint32_t d, uint32_t s) const {
        uint32_t out = 0;
        for (const int shift : {0, 8, 16})
            out |= uint32_t(ChannelOp{}(uint8_t(d >> shift), uint8_t(s >> shift))) << shift;
        return out;
    }
};
struct IncreaseChannel {
    uint8_t operator()(uint8_t d, uint8_t s) const { return s > d ? s : uint8_t((s + d) >> 1); }
};
struct DecreaseChannel {
    uint8_t operator()(uint8_t d, uint8_t s) const { return d > s ? uint8_t(d - s) : 0; }
};
using IncreaseOp = Channelwise<IncreaseChannel>;
using DecreaseOp = Channelwise<DecreaseChannel>;

// Calls rule(Op{}) with the combining rule of kind; codes outside the known ones get
// the copy's (callers that must combine nothing for them check first).
template <typename Rule>
[[gnu::always_inline]] inline void byKind(EffectKind kind, Rule rule) {
    switch (kind) {
        case EffectKind::Or:
            return rule(OrOp{});
        case EffectKind::And:
            return rule(AndOp{});
        case EffectKind::Xor:
            return rule(XorOp{});
        case EffectKind::Blend:
            return rule(BlendOp{});
        case EffectKind::Increase:
            return rule(IncreaseOp{});
        case EffectKind::Decrease:
            return rule(DecreaseOp{});
        default:
            return rule(CopyOp{});
    }
}

}  // namespace qvl::effect_ops
