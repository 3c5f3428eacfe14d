#include "app/json_writer.h"

#include <cstdio>

namespace qvl {

std::string JsonWriter::quote(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

void JsonWriter::newline() {
    out_ += '\n';
    out_.append(first_.size() * 2, ' ');
}

void JsonWriter::prefix(std::string_view key) {
    if (!first_.empty()) {
        if (!first_.back()) out_ += ",";
        first_.back() = false;
        newline();
    }
    if (!key.empty()) {
        out_ += quote(key);
        out_ += ": ";
    }
}

JsonWriter& JsonWriter::beginObject(std::string_view key) {
    prefix(key);
    out_ += "{";
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    bool empty = first_.back();
    first_.pop_back();
    if (!empty) newline();
    out_ += "}";
    if (first_.empty()) out_ += "\n";
    return *this;
}

JsonWriter& JsonWriter::beginArray(std::string_view key) {
    prefix(key);
    out_ += "[";
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    bool empty = first_.back();
    first_.pop_back();
    if (!empty) newline();
    out_ += "]";
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view key, std::string_view s) {
    prefix(key);
    out_ += quote(s);
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view key, int64_t n) {
    prefix(key);
    out_ += std::to_string(n);
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view key, bool b) {
    prefix(key);
    out_ += b ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::null(std::string_view key) {
    prefix(key);
    out_ += "null";
    return *this;
}

}  // namespace qvl
