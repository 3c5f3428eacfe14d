#include "script/script_loader.h"

#include "base/fault.h"
#include "base/sjis.h"
#include "script/messages.h"
#include "script/script_key.h"

namespace qvl {

namespace {

ScriptLines readLines(const std::string& name, const platform::FileSystem& files, bool scrambled, int32_t key) {
    auto bytes = files.read(name);
    if (!bytes) throw Fault(message(Message::CannotOpenFile) + name);
    // In place: the scramble keeps control bytes, so NULs and line breaks stay.
    if (scrambled) scrambleFile(*bytes, key);
    return ScriptLines::fromBytes(std::move(*bytes));
}

}  // namespace

std::string expandDataDrive(const std::string& name, const std::string& dataDriveRoot) {
    return sjis::replaceFirst(name, "%DATA_DRIVE%", dataDriveRoot);
}

ScriptLines findAndReadScript(const std::string& rawName, const platform::FileSystem& files,
                              const std::string& dataDriveRoot, int32_t scriptKey) {
    const std::string name = expandDataDrive(rawName, dataDriveRoot);
    const std::string base = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
    std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : sjis::toLower(name.substr(dot));

    if (files.exists(name)) return readLines(name, files, ext == ".txd", scriptKey);
    if (ext == ".txt") return readLines(base + ".txd", files, true, scriptKey);
    return readLines(base + ".txt", files, false, scriptKey);
}

}  // namespace qvl
