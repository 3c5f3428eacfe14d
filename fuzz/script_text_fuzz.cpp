// Script text as the loader and the interpreter see it: split into lines, each
// line classified and, for commands, tokenized.
#include "base/fault.h"
#include "base/sjis.h"
#include "script/interpreter.h"
#include "script/script_key.h"
#include "script/tokenizer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::array<std::string, qvl::kArgSlots> args;
    for (std::string line : qvl::sjis::splitLines(bytes, true)) {
        try {
            qvl::ClassifiedLine c = qvl::classifyLine(line);
            if (c.kind == qvl::LineKind::Command) qvl::tokenize(c.text, args);
        } catch (const qvl::Fault&) {
            // A bad text identifier is a fault the run reports; anything else would escape.
        }
        std::string copy = line;
        qvl::scrambleLine(copy, int32_t(size));
        qvl::scrambleLine(copy, int32_t(size));
        if (copy != line) __builtin_trap();
    }
    return 0;
}
