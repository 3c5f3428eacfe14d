#include "app/script_reloader.h"

#include "app/tfmain.h"
#include "base/fault.h"
#include "platform/encoding.h"
#include "script/line_mapping.h"
#include "script/script_loader.h"

namespace qvl {

namespace {

// Lines run without the clock moving before the file is looked at anyway.
constexpr int kLinesBetweenLooks = 256;

std::string fileTail(const std::string& sjisName) {
    const std::size_t cut = sjisName.find_last_of("\\/");
    return cut == std::string::npos ? sjisName : sjisName.substr(cut + 1);
}

}  // namespace

std::optional<ScriptReloader::Stamp> ScriptReloader::stamp() const {
    if (!path_) return std::nullopt;
    std::error_code ec;
    Stamp s{*path_, std::filesystem::last_write_time(*path_, ec), 0};
    if (ec) return std::nullopt;
    s.size = std::filesystem::file_size(*path_, ec);
    if (ec) return std::nullopt;
    return s;
}

void ScriptReloader::watch(const std::string& name) {
    name_ = name;
    // The file the loader read: the name, or its .txt/.txd twin.
    const std::string expanded = expandDataDrive(name, main_.settings.dataDriveRoot);
    path_ = main_.files.resolve(expanded);
    if (!path_ && expanded.size() > 4) {
        const std::string base = expanded.substr(0, expanded.size() - 4);
        path_ = main_.files.resolve(base + ".txd");
        if (!path_) path_ = main_.files.resolve(base + ".txt");
    }
    seen_ = stamp();
}

bool ScriptReloader::check() {
    if (!path_) return false;
    const uint32_t now = main_.platform().ticks();
    if (now == lastLook_ && ++quietLines_ < kLinesBetweenLooks) return false;
    return checkNow();
}

bool ScriptReloader::checkNow() {
    if (!path_) return false;
    lastLook_ = main_.platform().ticks();
    quietLines_ = 0;
    const std::optional<Stamp> now = stamp();
    if (now == seen_) return false;
    seen_ = now;
    const std::string shown = fileTail(name_);
    auto refuse = [&](const std::string& why) {
        main_.transcript.writeUtf8("reload failed: " + platform::sjisToUtf8(shown) + ": " + why);
        main_.debugLink.addError("reload failed: " + shown + ": " + platform::utf8ToSjis(why));
        return false;
    };
    ScriptProgram fresh;
    try {
        fresh.Lines = findAndReadScript(name_, main_.files, main_.settings.dataDriveRoot, main_.ScriptKey);
    } catch (const Fault&) {
        return refuse("cannot be read; the loaded lines go on");
    }
    // An editor that writes in place leaves an empty file for a moment.
    if (fresh.Lines.empty()) return refuse("empty; the loaded lines go on");
    fresh.buildLabels(main_.boxes);

    InterpreterState& s = main_.state;
    s.ProgExecLine = mapLineAcrossEdit(main_.program, fresh, s.ProgExecLine);
    // Taken in inside a wait (a debugger's pause): a jump already decided moves too.
    if (s.ProgNextLine >= 0) s.ProgNextLine = mapLineAcrossEdit(main_.program, fresh, s.ProgNextLine);
    for (int32_t i = 0; i <= s.ProgRetStack && i < kReturnStackSize; ++i)
        s.ProgRetAddr[std::size_t(i)] = mapLineAcrossEdit(main_.program, fresh, s.ProgRetAddr[std::size_t(i)]);
    main_.program = std::move(fresh);
    main_.transcript.write("reload", shown);
    main_.debugLink.addError("reload: " + shown);
    return true;
}

}  // namespace qvl
