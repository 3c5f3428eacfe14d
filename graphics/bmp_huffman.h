#pragma once
// The one-dimensional fax coding (modified Huffman runs) that OS/2 offers for 1-bit
// bitmaps. Used by the bitmap reader; a file of its own because the code tables are long.
#include <cstdint>
#include <functional>
#include <string_view>

namespace qvl {

// Decodes `height` rows of `width` pixels. Each row is a series of runs that
// alternate between white and black, starting with white (a row that starts black
// opens with an empty white run). End-of-line codes, with any fill bits before
// them, may stand between rows and are skipped; rows need not have them. Rows are
// handed to onRow in the order they are stored, one byte per pixel: 0 white, 1 black.
// Throws Fault for a code that is not in the tables, a run past the end of its row,
// an end-of-line code inside a row, and data that ends before the last row does.
void decodeModifiedHuffman(std::string_view data, int width, int height,
                           const std::function<void(int row, const uint8_t* pixels)>& onRow);

}  // namespace qvl
