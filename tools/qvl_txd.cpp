// qvl-txd: encodes and decodes scrambled ".txd" scripts with the engine's key.
//   qvl-txd encode in.txt out.txd [--key-file decode.key]
//   qvl-txd decode in.txd out.txt [--key-file decode.key]
// The transform keeps every line break as it is, so a file keeps its lines.
#include "base/sjis.h"
#include "script/script_key.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

#ifndef QVL_VERSION
#define QVL_VERSION "0"
#endif

void printHelp(std::ostream& out) {
    out << "Usage: qvl-txd encode|decode IN OUT [--key-file FILE]\n"
           "Scramble a scenario script (encode: .txt to .txd) or turn a scrambled one back\n"
           "(decode), the way the engine reads .txd files. Line breaks are kept.\n"
           "\n"
           "Options:\n"
           "  --key-file FILE     take the key from FILE (a scenario's decode.key); without\n"
           "                      it the built-in key is used, as for a scenario without one\n"
           "  -h, --help          display this help and exit\n"
           "  -V, --version       output version information and exit\n";
}

int usage() {
    printHelp(std::cerr);
    return 2;
}

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = std::move(s).str();
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        printHelp(std::cout);
        return 0;
    }
    if (argc == 2 && (std::string(argv[1]) == "--version" || std::string(argv[1]) == "-V")) {
        std::cout << "qvl-txd (Quorvel) " QVL_VERSION "\n";
        return 0;
    }
    if (argc != 4 && argc != 6) return usage();
    std::string mode = argv[1];
    if (mode != "encode" && mode != "decode") return usage();
    int32_t key = qvl::kDefaultScriptKey;
    if (argc == 6) {
        if (std::string(argv[4]) != "--key-file") return usage();
        std::string keyText;
        if (!readFile(argv[5], keyText)) {
            std::cerr << "qvl-txd: cannot read " << argv[5] << "\n";
            return 1;
        }
        auto k = qvl::scriptKeyFromFile(keyText);
        if (!k) {
            std::cerr << "qvl-txd: " << argv[5] << " holds no number\n";
            return 1;
        }
        key = *k;
    }
    std::string bytes;
    if (!readFile(argv[2], bytes)) {
        std::cerr << "qvl-txd: cannot read " << argv[2] << "\n";
        return 1;
    }
    qvl::scrambleFile(bytes, key);
    std::string temp = std::string(argv[3]) + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary);
        out << bytes;
        if (!out) {
            std::cerr << "qvl-txd: cannot write " << argv[3] << "\n";
            return 1;
        }
    }
    if (std::rename(temp.c_str(), argv[3]) != 0) {
        std::cerr << "qvl-txd: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
