#pragma once
// Whole files in and out, for the test programs.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qvl_test_files {

inline std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeAll(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

}  // namespace qvl_test_files
