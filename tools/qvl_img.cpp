// qvl-img: converts pictures between the formats the engine reads, for authors and tests.
//   qvl-img convert IN OUT [--frl-format 24|18|12|10] [--colours 16|256]
// IN may be .png, .bmp, .frl, .mag/.him or .jpg/.jpeg; OUT .png, .bmp, .frl, .mag or .jpg.
// FRL is written in format 24 unless asked otherwise. MAG holds 256 colours unless
// asked otherwise; a picture with more is reduced by median cut first.
#include "base/fault.h"
#include "graphics/bmp_decoder.h"
#include "graphics/bmp_encoder.h"
#include "graphics/frl_codec.h"
#include "graphics/jpeg_decoder.h"
#include "tools/jpeg_writer.h"
#include "graphics/mag_decoder.h"
#include "graphics/mag_encoder.h"
#include "graphics/png_io.h"
#include "tools/median_cut.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace {

#ifndef QVL_VERSION
#define QVL_VERSION "0"
#endif

void printHelp(std::ostream& out) {
    out << "Usage: qvl-img convert IN OUT [--frl-format 24|18|12|10] [--colours 16|256]\n"
           "Convert a picture between the formats the engine reads, by the file extensions.\n"
           "  IN:  .png .bmp .frl .mag .him .jpg .jpeg\n"
           "  OUT: .png .bmp .frl .mag .jpg\n"
           "\n"
           "Options:\n"
           "  --frl-format N      FRL output: 24, 18, 12 or 10 bits per pixel (default 24)\n"
           "  --colours N         MAG output: 16 or 256 colours (default 256; more colours\n"
           "                      are reduced by median cut)\n"
           "  -h, --help          display this help and exit\n"
           "  -V, --version       output version information and exit\n";
}

int usage() {
    printHelp(std::cerr);
    return 2;
}

std::string extensionOf(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(s).str();
}

// Written beside the target and renamed into place, so a failed run leaves no half file.
bool writeFile(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary);
        out << bytes;
        if (!out.flush()) return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

qvl::Surface decode(const std::string& ext, const std::string& bytes) {
    if (ext == ".png") {
        auto picture = qvl::decodePng(bytes);
        if (!picture) throw qvl::Fault("not a PNG picture we can read");
        return std::move(*picture);
    }
    if (ext == ".bmp") return qvl::decodeBmp(bytes);
    if (ext == ".frl") return qvl::decodeFrl(bytes);
    if (ext == ".jpg" || ext == ".jpeg") return qvl::decodeJpeg(bytes);
    if (ext == ".mag" || ext == ".him") {
        const qvl::MagResult mag = qvl::magToBmp(bytes);
        if (mag.code != qvl::kMagOk) throw qvl::Fault(std::string("MAG picture: ") + qvl::magResultText(mag.code));
        return qvl::decodeBmp(mag.bitmap);
    }
    throw qvl::Fault("cannot read " + (ext.empty() ? std::string("files without an extension") : ext + " files"));
}

std::string encode(const std::string& ext, const qvl::Surface& picture, int frlFormat, int colours) {
    if (ext == ".png") return qvl::encodePng(picture);
    // Pictures of few colours (masks, sheets) come out as small 8-bit files.
    if (ext == ".bmp") return qvl::encodeBmp(picture, true);
    if (ext == ".frl") return qvl::encodeFrl(picture, frlFormat);
    if (ext == ".mag") return qvl::encodeMag(qvl::reduceColours(picture, colours), colours);
    if (ext == ".jpg" || ext == ".jpeg") return qvl::encodeJpeg(picture);
    throw qvl::Fault("cannot write " + (ext.empty() ? std::string("files without an extension") : ext + " files"));
}

std::optional<int> number(const std::string& text) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        printHelp(std::cout);
        return 0;
    }
    if (argc == 2 && (std::string(argv[1]) == "--version" || std::string(argv[1]) == "-V")) {
        std::cout << "qvl-img (Quorvel) " QVL_VERSION "\n";
        return 0;
    }
    if (argc < 4 || std::string(argv[1]) != "convert") return usage();
    const std::string in = argv[2], out = argv[3];
    const std::string inExt = extensionOf(in), outExt = extensionOf(out);
    int frlFormat = 24, colours = 256;
    for (int i = 4; i < argc; i += 2) {
        const std::string option = argv[i];
        const auto value = i + 1 < argc ? number(argv[i + 1]) : std::nullopt;
        if (!value) return usage();
        if (option == "--frl-format" && outExt == ".frl")
            frlFormat = *value;
        else if (option == "--colours" && outExt == ".mag" && (*value == 16 || *value == 256))
            colours = *value;
        else
            return usage();
    }

    const auto bytes = readFile(in);
    if (!bytes) {
        std::cerr << "qvl-img: cannot read " << in << "\n";
        return 1;
    }
    qvl::Surface picture;
    try {
        picture = decode(inExt, *bytes);
    } catch (const qvl::Fault& fault) {
        std::cerr << "qvl-img: " << in << ": " << fault.what() << "\n";
        return 1;
    }
    std::string encoded;
    try {
        encoded = encode(outExt, picture, frlFormat, colours);
    } catch (const qvl::Fault& fault) {
        std::cerr << "qvl-img: " << out << ": " << fault.what() << "\n";
        return 1;
    }
    if (!writeFile(out, encoded)) {
        std::cerr << "qvl-img: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}
