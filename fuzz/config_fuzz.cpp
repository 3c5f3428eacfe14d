// Configuration files and the headless input script: hostile text must give
// values, faults or parse errors, never a crash.
#include "base/config_list.h"
#include "base/fault.h"
#include "platform/headless/input_script.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qvl::ConfigList list = qvl::ConfigList::fromBytes(bytes);
    for (const char* key : {"SavePath", "TextMaxIndex", "DarknessRate", "a", ""}) {
        (void)list.value(key);
        try {
            (void)list.intValue(key, 0);
        } catch (const qvl::Fault&) {
        }
    }
    try {
        (void)qvl::platform::parseInputScript(bytes);
    } catch (const qvl::platform::InputScriptError&) {
    }
    return 0;
}
