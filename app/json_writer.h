#pragma once
// A small JSON writer for the state dump: objects, arrays, strings (UTF-8),
// integers and booleans, indented for people reading the dump.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

class JsonWriter {
public:
    JsonWriter& beginObject(std::string_view key = {});
    JsonWriter& endObject();
    JsonWriter& beginArray(std::string_view key = {});
    JsonWriter& endArray();
    JsonWriter& value(std::string_view key, std::string_view utf8);
    JsonWriter& value(std::string_view key, const char* utf8) { return value(key, std::string_view(utf8)); }
    JsonWriter& value(std::string_view key, int64_t number);
    JsonWriter& value(std::string_view key, bool flag);
    JsonWriter& null(std::string_view key);
    // Array elements.
    JsonWriter& item(std::string_view utf8) { return value({}, utf8); }
    JsonWriter& item(int64_t number) { return value({}, number); }

    const std::string& str() const { return out_; }
    static std::string quote(std::string_view utf8);

private:
    void prefix(std::string_view key);
    void newline();
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written in it yet
};

}  // namespace qvl
