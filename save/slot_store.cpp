#include "save/slot_store.h"

#include "base/numbers.h"
#include "base/sjis.h"
#include "save/slot_files.h"
#include "save/status_file.h"

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace qvl {

namespace fs = std::filesystem;
using platform::FileSystem;

namespace {

constexpr std::string_view kSwitchHeader = "quorvel slot switch 1";
constexpr std::size_t kMaxSwitchFile = 4096;

// FNV-1a: enough to tell two saves apart, not a guard against forgery.
uint64_t checksum(std::string_view bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string hex(uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// A file name as a switch file may give it: a plain name of this folder.
bool plainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

struct Entry {
    std::string name, temp;
    uint64_t size = 0;
    std::string sum;
};

std::optional<std::vector<Entry>> parseSwitch(std::string_view bytes) {
    const std::vector<std::string> lines = sjis::splitLines(bytes, false);
    if (lines.empty() || lines[0] != kSwitchHeader || lines.size() > 8) return std::nullopt;
    std::vector<Entry> entries;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = sjis::split(lines[i], '\t');
        if (f.size() != 4 || !plainName(f[0]) || !plainName(f[1]) || f[3].size() != 16) return std::nullopt;
        auto size = parseInt(f[2]);
        if (!size || *size < 0) return std::nullopt;
        entries.push_back({f[0], f[1], uint64_t(*size), f[3]});
    }
    return entries;
}

}  // namespace

std::string SlotStore::switchFileName(int slot) {
    return slotFileStem(slot) + ".switch";
}

fs::path SlotStore::pathOf(std::string_view name) const {
    const fs::path exact = folder_ / std::string(name);
    std::error_code ec;
    if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found) return exact;
    const std::string wanted = lowerAscii(std::string(name));
    std::optional<fs::path> best;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string found = it->path().filename().string();
        if (lowerAscii(found) == wanted && (!best || found < best->filename().string())) best = it->path();
    }
    return best.value_or(exact);
}

FileSystem::ReadResult SlotStore::read(std::string_view name, std::size_t maxBytes) const {
    return FileSystem::readRegular(pathOf(name), maxBytes);
}

std::vector<std::string> SlotStore::commit(int slot, const std::vector<File>& files) {
    std::string ignored;
    settle(slot, ignored);
    int step = 0;
    auto stepDone = [&] {
        if (afterStep) afterStep(++step);
    };

    // Temporary files an earlier crash left behind.
    std::vector<std::string> prefixes;
    for (const File& f : files) prefixes.push_back(lowerAscii(f.name) + ".tmp");
    prefixes.push_back(lowerAscii(switchFileName(slot)) + ".tmp");
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = lowerAscii(it->path().filename().string());
        for (const std::string& p : prefixes)
            if (name.rfind(p, 0) == 0) stale.push_back(it->path());
    }
    for (const fs::path& p : stale) ::unlink(p.c_str());

    const std::string suffix = ".tmp" + std::to_string(::getpid());
    std::vector<std::string> failed;
    std::vector<fs::path> temps;
    std::string manifest = std::string(kSwitchHeader) + "\r\n";
    for (const File& f : files) {
        const std::string temp = f.name + suffix;
        const fs::path path = folder_ / temp;
        // A folder in the way would stop the switch half-way; it stops it before.
        if (fs::is_directory(fs::symlink_status(pathOf(f.name), ec))) {
            failed.push_back(f.name);
        } else if (FileSystem::writeNewFile(path, f.bytes)) {
            temps.push_back(path);
            manifest += f.name + "\t" + temp + "\t" + std::to_string(f.bytes.size()) + "\t" + hex(checksum(f.bytes)) +
                        "\r\n";
        } else {
            failed.push_back(f.name);
        }
        stepDone();
    }
    const fs::path switchFile = pathOf(switchFileName(slot));
    const fs::path switchTemp = folder_ / (switchFileName(slot) + suffix);
    if (failed.empty() && !FileSystem::writeNewFile(switchTemp, manifest)) failed.push_back(switchFileName(slot));
    if (!failed.empty()) {
        for (const fs::path& p : temps) ::unlink(p.c_str());
        return failed;
    }
    FileSystem::syncFolder(folder_);
    stepDone();
    // The switch: from here on the new save is the slot's.
    if (std::rename(switchTemp.c_str(), switchFile.c_str()) != 0) {
        ::unlink(switchTemp.c_str());
        for (const fs::path& p : temps) ::unlink(p.c_str());
        return {switchFileName(slot)};
    }
    FileSystem::syncFolder(folder_);
    stepDone();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (std::rename(temps[i].c_str(), pathOf(files[i].name).c_str()) != 0) failed.push_back(files[i].name);
        stepDone();
    }
    FileSystem::syncFolder(folder_);
    // A file that could not be moved keeps the switch file: the next read tries again.
    if (!failed.empty()) return failed;
    ::unlink(switchFile.c_str());
    FileSystem::syncFolder(folder_);
    stepDone();
    return {};
}

bool SlotStore::settle(int slot, std::string& reason) {
    const std::string name = switchFileName(slot);
    const fs::path switchFile = pathOf(name);
    FileSystem::ReadResult r = FileSystem::readRegular(switchFile, kMaxSwitchFile);
    if (r.status == FileSystem::ReadStatus::Missing) return true;
    std::optional<std::vector<Entry>> entries;
    if (r.status == FileSystem::ReadStatus::Ok) entries = parseSwitch(r.bytes);
    if (!entries) {
        reason = name + " が壊れています";
        return false;
    }
    auto matches = [](const fs::path& p, const Entry& e) {
        FileSystem::ReadResult f = FileSystem::readRegular(p, kMaxSaveFile);
        return f.status == FileSystem::ReadStatus::Ok && f.bytes.size() == e.size && hex(checksum(f.bytes)) == e.sum;
    };
    // Every file must be at hand, new, before any is moved.
    std::vector<std::pair<fs::path, fs::path>> moves;
    for (const Entry& e : *entries) {
        const fs::path target = pathOf(e.name);
        const fs::path temp = folder_ / e.temp;
        if (matches(temp, e)) {
            moves.emplace_back(temp, target);
        } else if (!matches(target, e)) {
            reason = e.name + " が " + name + " の記録と合いません（二つのセーブが混ざっています）";
            return false;
        }
    }
    for (const auto& [from, to] : moves)
        if (std::rename(from.c_str(), to.c_str()) != 0) {
            reason = to.filename().string() + " を置き換えられません";
            return false;
        }
    FileSystem::syncFolder(folder_);
    ::unlink(switchFile.c_str());
    FileSystem::syncFolder(folder_);
    return true;
}

}  // namespace qvl
