// The save files a load reads: hostile bytes must give a snapshot, flags and a log
// or a refused line, never a crash, a hang or memory out of proportion. The first
// byte picks the reader, so one corpus covers the three.
#include "save/slot_files.h"
#include "save/status_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0 || size > qvl::kMaxSaveFile) return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 3) {
            case 0: {
                qvl::SavePointSnapshot s;
                qvl::readStatusFile(bytes, s);
                (void)qvl::writeStatusFile(s);
                break;
            }
            case 1: {
                std::array<std::string, qvl::kFlagFileLines> flags;
                qvl::readFlagFile(bytes, flags);
                break;
            }
            default: {
                qvl::MessageLog log = qvl::readLogFile(bytes);
                (void)qvl::writeLogFile(log);
                break;
            }
        }
    } catch (const qvl::SaveFileFault&) {
    }
    return 0;
}
