#include "authoring/finding.h"

#include "app/json_writer.h"

namespace qvl::authoring {

std::string findingsText(const std::vector<Finding>& findings) {
    std::string out;
    for (const Finding& f : findings)
        out += f.file + ":" + std::to_string(f.line) + ": " + f.kind + ": " + f.message + (f.hint ? " (hint)\n" : "\n");
    return out;
}

bool hasErrors(const std::vector<Finding>& findings) {
    for (const Finding& f : findings)
        if (!f.hint) return true;
    return false;
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
        j.value("severity", std::string(f.hint ? "hint" : "error"));
        j.endObject();
    }
    j.endArray();
    return j.str() + "\n";
}

}  // namespace qvl::authoring
