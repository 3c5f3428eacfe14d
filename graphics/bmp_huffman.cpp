#include "graphics/bmp_huffman.h"

#include "base/fault.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace qvl {

namespace {

[[noreturn]] void refuse(const std::string& why) {
    throw Fault("BMP: Huffman data: " + why);
}

struct Code {
    std::string_view bits;
    int run;
};

// Terminating codes give runs of 0 to 63 pixels; make-up codes, multiples of 64, come
// before one when a run is longer. The make-up codes from 1792 up are the same in both
// colours.
// clang-format off
constexpr Code kWhiteCodes[] = {
    {"00110101", 0}, {"000111", 1}, {"0111", 2}, {"1000", 3}, {"1011", 4}, {"1100", 5}, {"1110", 6}, {"1111", 7},
    {"10011", 8}, {"10100", 9}, {"00111", 10}, {"01000", 11}, {"001000", 12}, {"000011", 13}, {"110100", 14},
    {"110101", 15}, {"101010", 16}, {"101011", 17}, {"0100111", 18}, {"0001100", 19}, {"0001000", 20},
    {"0010111", 21}, {"0000011", 22}, {"0000100", 23}, {"0101000", 24}, {"0101011", 25}, {"0010011", 26},
    {"0100100", 27}, {"0011000", 28}, {"00000010", 29}, {"00000011", 30}, {"00011010", 31}, {"00011011", 32},
    {"00010010", 33}, {"00010011", 34}, {"00010100", 35}, {"00010101", 36}, {"00010110", 37}, {"00010111", 38},
    {"00101000", 39}, {"00101001", 40}, {"00101010", 41}, {"00101011", 42}, {"00101100", 43}, {"00101101", 44},
    {"00000100", 45}, {"00000101", 46}, {"00001010", 47}, {"00001011", 48}, {"01010010", 49}, {"01010011", 50},
    {"01010100", 51}, {"01010101", 52}, {"00100100", 53}, {"00100101", 54}, {"01011000", 55}, {"01011001", 56},
    {"01011010", 57}, {"01011011", 58}, {"01001010", 59}, {"01001011", 60}, {"00110010", 61}, {"00110011", 62},
    {"00110100", 63}, {"11011", 64}, {"10010", 128}, {"010111", 192}, {"0110111", 256}, {"00110110", 320},
    {"00110111", 384}, {"01100100", 448}, {"01100101", 512}, {"01101000", 576}, {"01100111", 640}, {"011001100", 704},
    {"011001101", 768}, {"011010010", 832}, {"011010011", 896}, {"011010100", 960}, {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280}, {"011011010", 1344},
    {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536}, {"010011010", 1600}, {"011000", 1664},
    {"010011011", 1728},
};
constexpr Code kBlackCodes[] = {
    {"0000110111", 0}, {"010", 1}, {"11", 2}, {"10", 3}, {"011", 4}, {"0011", 5}, {"0010", 6}, {"00011", 7},
    {"000101", 8}, {"000100", 9}, {"0000100", 10}, {"0000101", 11}, {"0000111", 12}, {"00000100", 13},
    {"00000111", 14}, {"000011000", 15}, {"0000010111", 16}, {"0000011000", 17}, {"0000001000", 18},
    {"00001100111", 19}, {"00001101000", 20}, {"00001101100", 21}, {"00000110111", 22}, {"00000101000", 23},
    {"00000010111", 24}, {"00000011000", 25}, {"000011001010", 26}, {"000011001011", 27}, {"000011001100", 28},
    {"000011001101", 29}, {"000001101000", 30}, {"000001101001", 31}, {"000001101010", 32}, {"000001101011", 33},
    {"000011010010", 34}, {"000011010011", 35}, {"000011010100", 36}, {"000011010101", 37}, {"000011010110", 38},
    {"000011010111", 39}, {"000001101100", 40}, {"000001101101", 41}, {"000011011010", 42}, {"000011011011", 43},
    {"000001010100", 44}, {"000001010101", 45}, {"000001010110", 46}, {"000001010111", 47}, {"000001100100", 48},
    {"000001100101", 49}, {"000001010010", 50}, {"000001010011", 51}, {"000000100100", 52}, {"000000110111", 53},
    {"000000111000", 54}, {"000000100111", 55}, {"000000101000", 56}, {"000001011000", 57}, {"000001011001", 58},
    {"000000101011", 59}, {"000000101100", 60}, {"000001011010", 61}, {"000001100110", 62}, {"000001100111", 63},
    {"0000001111", 64}, {"000011001000", 128}, {"000011001001", 192}, {"000001011011", 256}, {"000000110011", 320},
    {"000000110100", 384}, {"000000110101", 448}, {"0000001101100", 512}, {"0000001101101", 576},
    {"0000001001010", 640}, {"0000001001011", 704}, {"0000001001100", 768}, {"0000001001101", 832},
    {"0000001110010", 896}, {"0000001110011", 960}, {"0000001110100", 1024}, {"0000001110101", 1088},
    {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280}, {"0000001010011", 1344},
    {"0000001010100", 1408}, {"0000001010101", 1472}, {"0000001011010", 1536}, {"0000001011011", 1600},
    {"0000001100100", 1664}, {"0000001100101", 1728},
};
constexpr Code kLongMakeUpCodes[] = {
    {"00000001000", 1792}, {"00000001100", 1856}, {"00000001101", 1920}, {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};
// clang-format on

// No code is longer than this, so this many bits always decide the next code.
constexpr int kLongestCode = 13;
// No code starts with more zeros than this; more can only be fill before an end-of-line code.
constexpr int kMostLeadingZeros = 7;
// An end-of-line code is eleven zeros and a one.
constexpr int kEndOfLineZeros = 11;

struct Entry {
    uint16_t run = 0;
    uint8_t length = 0;  // 0: no code starts with these bits
};
using Table = std::array<Entry, std::size_t(1) << kLongestCode>;

// Every kLongestCode-bit pattern that starts with a code leads to it.
Table buildTable(std::span<const Code> own) {
    Table table{};
    for (std::span<const Code> codes : {own, std::span<const Code>(kLongMakeUpCodes)}) {
        for (const Code& c : codes) {
            unsigned prefix = 0;
            for (char bit : c.bits) prefix = prefix << 1 | unsigned(bit == '1');
            const int spare = kLongestCode - int(c.bits.size());
            for (unsigned tail = 0; tail < (1u << spare); ++tail) {
                Entry& e = table[prefix << spare | tail];
                assert(e.length == 0 && "no code may start another");
                e = {uint16_t(c.run), uint8_t(c.bits.size())};
            }
        }
    }
    return table;
}

const Table& tableFor(bool black) {
    static const Table white = buildTable(kWhiteCodes);
    static const Table blackTable = buildTable(kBlackCodes);
    return black ? blackTable : white;
}

// Bits are read from the most significant end of each byte, as fax machines send them.
class BitReader {
public:
    explicit BitReader(std::string_view data) : data_(data), size_(data.size() * 8) {}

    std::size_t remaining() const { return size_ - at_; }
    void skip(std::size_t count) { at_ += count; }
    // The next kLongestCode bits, with zeros past the end.
    unsigned peek() const {
        unsigned bits = 0;
        for (std::size_t i = at_; i < at_ + kLongestCode; ++i) bits = bits << 1 | (i < size_ ? bit(i) : 0u);
        return bits;
    }
    // Zero bits from here, up to the next one or the end.
    std::size_t zeros() const {
        std::size_t i = at_;
        while (i < size_ && bit(i) == 0) ++i;
        return i - at_;
    }

private:
    unsigned bit(std::size_t i) const { return (uint8_t(data_[i / 8]) >> (7 - i % 8)) & 1u; }
    std::string_view data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// One run: make-up codes, then a terminating code. At most `room` pixels.
int readRun(BitReader& in, bool black, int room, int row) {
    const Table& table = tableFor(black);
    int run = 0;
    for (;;) {
        const Entry e = table[in.peek()];
        // Past the end the reader sees zeros, which start no code: a cut shows up as either.
        const bool cut = e.length > in.remaining() || in.zeros() == in.remaining();
        if (cut) refuse("data ends inside row " + std::to_string(row));
        if (e.length == 0) refuse("row " + std::to_string(row) + " holds an unknown code");
        in.skip(e.length);
        run += e.run;
        // Checked at each code, so endless make-up codes stop as soon as the row is full.
        if (run > room) refuse("a run goes past the end of row " + std::to_string(row));
        if (e.run < 64) return run;
    }
}

}  // namespace

void decodeModifiedHuffman(std::string_view data, int width, int height,
                           const std::function<void(int row, const uint8_t* pixels)>& onRow) {
    BitReader in(data);
    std::vector<uint8_t> pixels(std::size_t(width), 0);
    for (int row = 0; row < height; ++row) {
        int x = 0;
        bool black = false;
        while (x < width) {
            const std::size_t zeros = in.zeros();
            if (zeros == in.remaining()) refuse("data ends inside row " + std::to_string(row));
            if (zeros > kMostLeadingZeros) {
                if (zeros < kEndOfLineZeros) refuse("row " + std::to_string(row) + " holds an unknown code");
                if (x > 0) refuse("row " + std::to_string(row) + " ends early");
                in.skip(zeros + 1);
                continue;
            }
            const int run = readRun(in, black, width - x, row);
            std::fill_n(pixels.begin() + x, run, uint8_t(black));
            x += run;
            black = !black;
        }
        onRow(row, pixels.data());
    }
}

}  // namespace qvl
