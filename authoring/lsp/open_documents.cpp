#include "authoring/lsp/open_documents.h"

#include "platform/encoding.h"
#include "script/script_lines.h"

#include <algorithm>

namespace qvl::authoring {

namespace fs = std::filesystem;

namespace {

// Script folders deeper than this are no scenario's.
constexpr int kMaxDepth = 3;

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        out.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) out.emplace_back(text.substr(start));
    return out;
}

OpenDocuments::OpenDocuments(fs::path root) : root_(std::move(root)) {}

std::string OpenDocuments::key(const fs::path& file) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(file, ec);
    return (ec ? file : p).lexically_normal().string();
}

void OpenDocuments::open(const fs::path& file, const std::string& utf8Text) {
    open_[key(file)] = splitLines(utf8Text);
}

void OpenDocuments::close(const fs::path& file) {
    open_.erase(key(file));
}

std::vector<fs::path> OpenDocuments::openFiles() const {
    std::vector<fs::path> out;
    for (const auto& [k, _] : open_) out.emplace_back(k);
    return out;
}

std::vector<std::string> OpenDocuments::lines(const fs::path& file) const {
    if (auto it = open_.find(key(file)); it != open_.end()) return it->second;
    std::vector<std::string> out;
    const auto bytes = platform::FileSystem::readRegular(file, std::size_t(64) << 20);
    if (bytes.status != platform::FileSystem::ReadStatus::Ok) return out;
    for (std::string_view line : ScriptLines::fromBytes(bytes.bytes)) out.push_back(platform::sjisToUtf8(line));
    return out;
}

std::vector<fs::path> OpenDocuments::scripts() const {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it.depth() >= kMaxDepth) it.disable_recursion_pending();
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (ext == ".txt" && it->is_regular_file(ec)) out.push_back(fs::path(key(it->path())));
    }
    for (const auto& [k, _] : open_)
        if (std::find(out.begin(), out.end(), fs::path(k)) == out.end()) out.emplace_back(k);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> OpenDocuments::folderFiles() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::directory_iterator(root_, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec)) out.push_back(it->path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<fs::path> OpenDocuments::resolve(const std::string& utf8Name) const {
    const std::string name = platform::utf8ToSjis(utf8Name);
    if (auto p = files_.resolve(name)) return fs::path(key(*p));
    if (name.size() > 4) {
        const std::string base = name.substr(0, name.size() - 4);
        for (const char* ext : {".txt", ".txd"})
            if (auto p = files_.resolve(base + ext)) return fs::path(key(*p));
    }
    // A new file the editor has open and the disk does not have yet.
    const fs::path guess = fs::path(key(root_ / platform::FileSystem::fromSjis(name)));
    if (open_.contains(guess.string())) return guess;
    return std::nullopt;
}

std::string OpenDocuments::scriptName(const fs::path& file) const {
    std::string rel = fs::path(key(file)).lexically_relative(fs::path(key(root_))).string();
    std::replace(rel.begin(), rel.end(), '/', '\\');
    return rel;
}

std::optional<ScriptSource> OpenDocuments::readScript(const std::string& sjisName) {
    std::optional<ScriptSource> source = folder_.readScript(sjisName);
    const std::string fileName = source ? source->fileName : sjisName;
    std::optional<fs::path> path = files_.resolve(fileName);
    const fs::path file = path ? fs::path(key(*path)) : fs::path(key(root_ / platform::FileSystem::fromSjis(fileName)));
    auto it = open_.find(file.string());
    if (it == open_.end()) return source;
    ScriptSource s{fileName, {}};
    for (const std::string& line : it->second) s.lines.push_back(platform::utf8ToSjis(line));
    return s;
}

FileLookup OpenDocuments::lookup(const std::string& sjisName) {
    return folder_.lookup(sjisName);
}

}  // namespace qvl::authoring
