// The settings reader: a qvl.ini (and the same bytes as a qvl.cfg) must give
// settings or a fault, never a crash; what the engine writes back reads again.
#include "app/engine_settings.h"
#include "base/config_list.h"
#include "base/fault.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Larger files are refused before they are read.
    if (size > qvl::kMaxConfigBytes) return 0;
    const qvl::ConfigList file = qvl::ConfigList::fromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    const qvl::ConfigList none;
    try {
        qvl::EngineSettings s;
        qvl::applySettings(s, none, &file);
        const std::string written = qvl::settingsFileBytes(s);
        const qvl::ConfigList back = qvl::ConfigList::fromBytes(written);
        qvl::EngineSettings again;
        qvl::applySettings(again, none, &back);
        if (qvl::settingsFileBytes(again) != written) std::abort();
    } catch (const qvl::Fault&) {
    }
    try {
        qvl::EngineSettings s;
        qvl::applySettings(s, file, nullptr);
    } catch (const qvl::Fault&) {
    }
    return 0;
}
