#include "tools/median_cut.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

namespace qvl {

namespace {

struct Entry {
    uint32_t colour;
    uint64_t count;
};

int channel(uint32_t colour, int c) {
    return int((colour >> (8 * c)) & 0xFF);
}

// A box is a range of the entry list; splitting sorts that range in place.
struct Box {
    std::size_t begin, end;
    int widestChannel = 0;
    int range = 0;
};

Box measure(const std::vector<Entry>& entries, std::size_t begin, std::size_t end) {
    Box box{begin, end};
    for (int c = 0; c < 3; ++c) {
        int lo = 255, hi = 0;
        for (std::size_t i = begin; i < end; ++i) {
            lo = std::min(lo, channel(entries[i].colour, c));
            hi = std::max(hi, channel(entries[i].colour, c));
        }
        if (hi - lo > box.range) box.range = hi - lo, box.widestChannel = c;
    }
    return box;
}

uint32_t average(const std::vector<Entry>& entries, const Box& box) {
    uint64_t sum[3] = {}, total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        for (int c = 0; c < 3; ++c) sum[c] += uint64_t(channel(entries[i].colour, c)) * entries[i].count;
        total += entries[i].count;
    }
    uint32_t colour = 0;
    for (int c = 0; c < 3; ++c) colour |= uint32_t((sum[c] + total / 2) / total) << (8 * c);
    return colour;
}

uint32_t nearest(const std::vector<uint32_t>& palette, uint32_t colour) {
    uint32_t best = palette.front();
    int bestDistance = INT32_MAX;
    for (uint32_t candidate : palette) {
        int d = 0;
        for (int c = 0; c < 3; ++c) {
            const int diff = channel(candidate, c) - channel(colour, c);
            d += diff * diff;
        }
        if (d < bestDistance) bestDistance = d, best = candidate;
    }
    return best;
}

}  // namespace

Surface reduceColours(const Surface& picture, int maxColours) {
    std::map<uint32_t, uint64_t> counts;  // ordered, so ties split the same way every run
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) ++counts[picture.row(y)[x] & 0xFFFFFF];
    if (counts.size() <= std::size_t(std::max(maxColours, 1))) {
        Surface same = picture.clone();
        for (int y = 0; y < same.height(); ++y)
            for (int x = 0; x < same.width(); ++x) same.row(y)[x] &= 0xFFFFFF;
        return same;
    }

    std::vector<Entry> entries;
    for (const auto& [colour, count] : counts) entries.push_back({colour, count});
    std::vector<Box> boxes = {measure(entries, 0, entries.size())};
    while (boxes.size() < std::size_t(maxColours)) {
        // Split the box with the widest spread at the weighted median of that channel.
        const auto widest =
            std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.range < b.range; });
        if (widest->range == 0) break;
        const Box box = *widest;
        const int c = box.widestChannel;
        std::stable_sort(entries.begin() + std::ptrdiff_t(box.begin), entries.begin() + std::ptrdiff_t(box.end),
                         [c](const Entry& a, const Entry& b) { return channel(a.colour, c) < channel(b.colour, c); });
        uint64_t total = 0, seen = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += entries[i].count;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += entries[i].count;
            split = i + 1;
            if (seen * 2 >= total) break;
        }
        *widest = measure(entries, box.begin, split);
        boxes.push_back(measure(entries, split, box.end));
    }

    std::vector<uint32_t> palette;
    for (const Box& box : boxes) palette.push_back(average(entries, box));
    std::unordered_map<uint32_t, uint32_t> mapped;
    for (const Entry& e : entries) mapped[e.colour] = nearest(palette, e.colour);

    Surface out(picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) out.row(y)[x] = mapped[picture.row(y)[x] & 0xFFFFFF];
    return out;
}

}  // namespace qvl
