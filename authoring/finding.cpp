#include "authoring/finding.h"

#include "app/json_writer.h"

namespace qvl::authoring {

std::string findingsText(const std::vector<Finding>& findings) {
    std::string out;
    for (const Finding& f : findings)
        out += f.file + ":" + std::to_string(f.line) + ": " + f.kind + ": " + f.message + "\n";
    return out;
}

std::string findingsJson(const std::vector<Finding>& findings) {
    JsonWriter j;
    j.beginArray();
    for (const Finding& f : findings) {
        j.beginObject();
        j.value("file", f.file);
        j.value("line", int64_t(f.line));
        j.value("kind", f.kind);
        j.value("message", f.message);
        j.endObject();
    }
    j.endArray();
    return j.str() + "\n";
}

}  // namespace qvl::authoring
