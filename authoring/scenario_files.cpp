#include "authoring/scenario_files.h"

#include "base/fault.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "script/script_key.h"
#include "script/script_loader.h"

namespace qvl::authoring {

namespace {

// The file name the loader ends up reading for a script name (it tries the name,
// then the other of .txt/.txd with the same base).
std::string loaderFileName(const std::string& name, const std::function<bool(const std::string&)>& exists) {
    if (exists(name)) return name;
    const std::string base = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
    const std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : sjis::toLower(name.substr(dot));
    return base + (ext == ".txt" ? ".txd" : ".txt");
}

// The parts of a script's file name, '\' or '/' separated; a separator byte inside a
// double-byte character is not one.
std::vector<std::string> nameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t n = sjis::charLength(name, i);
        if (n == 1 && (name[i] == '\\' || name[i] == '/')) {
            parts.push_back(std::move(part));
            part.clear();
        } else {
            part.append(name.substr(i, n));
        }
        i += n;
    }
    parts.push_back(std::move(part));
    return parts;
}

}  // namespace

FolderFiles::FolderFiles() : scriptKey_(kDefaultScriptKey) {
    if (auto key = files_.read("decode.key"))
        if (auto value = scriptKeyFromFile(*key)) scriptKey_ = scriptKeyFromValue(*value);
}

std::optional<ScriptSource> FolderFiles::readScript(const std::string& sjisName) {
    const std::string name = expandDataDrive(sjisName, {});
    try {
        ScriptSource s;
        s.lines = findAndReadScript(name, files_, {}, scriptKey_).toStrings();
        s.fileName = loaderFileName(name, [this](const std::string& n) { return files_.exists(n); });
        return s;
    } catch (const Fault&) {
        return std::nullopt;
    }
}

FileLookup FolderFiles::lookup(const std::string& sjisName) {
    const std::string name = expandDataDrive(sjisName, {});
    const auto path = files_.resolve(name);
    if (!path) return {};
    // The resolver tries the exact spelling first, so a differing spelling in what it
    // found means the name matched only with the letter case ignored.
    std::string_view rest = name;
    if (rest.size() >= 2 && rest[1] == ':') rest.remove_prefix(2);
    std::vector<std::string> wanted;
    for (std::string& part : nameParts(rest)) {
        if (part == "..") return {FileMatch::Found, {}};  // walks up: nothing to compare against
        if (!part.empty() && part != ".") wanted.push_back(std::move(part));
    }
    std::vector<std::string> found;
    for (const auto& component : *path) found.push_back(component.string());
    if (found.size() < wanted.size()) return {FileMatch::Found, {}};
    const std::size_t offset = found.size() - wanted.size();
    bool same = true;
    std::string actual;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const std::string& disk = found[offset + i];
        if (disk != platform::sjisToUtf8(wanted[i]) && disk != wanted[i]) same = false;
        if (!actual.empty()) actual += '/';
        actual += platform::sjisToUtf8(platform::FileSystem::toSjis(disk));
    }
    if (same) return {FileMatch::Found, {}};
    return {FileMatch::CaseOnly, actual};
}

std::optional<ScriptSource> MemoryFiles::readScript(const std::string& sjisName) {
    const std::string name = loaderFileName(sjisName, [this](const std::string& n) { return files_.count(n) > 0; });
    auto it = files_.find(name);
    if (it == files_.end()) return std::nullopt;
    ScriptSource s{name, sjis::splitLines(it->second, true)};
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && sjis::toLower(name.substr(dot)) == ".txd")
        for (auto& line : s.lines) scrambleLine(line, kDefaultScriptKey);
    return s;
}

FileLookup MemoryFiles::lookup(const std::string& sjisName) {
    if (files_.count(sjisName)) return {FileMatch::Found, {}};
    for (const auto& [name, bytes] : files_)
        if (sjis::equalsIgnoreCase(name, sjisName)) return {FileMatch::CaseOnly, platform::sjisToUtf8(name)};
    return {};
}

}  // namespace qvl::authoring
