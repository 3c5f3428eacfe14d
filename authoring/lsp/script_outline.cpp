#include "authoring/lsp/script_outline.h"

#include <array>

namespace qvl::authoring {

namespace {

bool blank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::size_t skipBlanks(std::string_view s, std::size_t at) {
    while (at < s.size() && blank(s[at])) ++at;
    return at;
}

// The first comma outside double quotes from `at`, or npos.
std::size_t commaOutsideQuotes(std::string_view s, std::size_t at) {
    bool quoted = false;
    for (; at < s.size(); ++at) {
        if (s[at] == '"') quoted = !quoted;
        if (s[at] == ',' && !quoted) return at;
    }
    return std::string_view::npos;
}

struct Span {
    std::size_t begin = 0, end = 0;
};

// One argument between from and to: its text without surrounding blanks or quotes.
Span argument(std::string_view s, std::size_t from, std::size_t to) {
    while (from < to && blank(s[from])) ++from;
    while (to > from && blank(s[to - 1])) --to;
    if (to - from >= 2 && s[from] == '"' && s[to - 1] == '"') ++from, --to;
    return {from, to};
}

// The option lines of a choice block follow these.
bool opensChoice(std::string_view word) {
    return word == "_selmenu" || word == "_selbutton" || word == "_selcgmode";
}

class Reader {
public:
    explicit Reader(ScriptOutline& out) : out_(out) {}

    // A command line from column `at` of `line`; returns its command word.
    std::string command(std::string_view line, std::size_t at, int lineNo, int depth = 0) {
        at = skipBlanks(line, at);
        if (at >= line.size() || line[at] != '_' || depth > 8) return {};
        if (line.substr(at, 2) == "_(") {
            const std::size_t comma = commaOutsideQuotes(line, at);
            if (comma == std::string_view::npos) return {};
            return command(line, comma + 1, lineNo, depth + 1);
        }
        std::size_t space = line.find(' ', at);
        if (space == std::string_view::npos) space = line.size();
        const std::string word(line.substr(at, space - at));
        if (word != "_goto" && word != "_gosub" && word != "_return") return word;
        std::array<Span, 2> args{};
        std::size_t from = std::min(space + 1, line.size());
        for (std::size_t i = 0; i < args.size() && from <= line.size(); ++i) {
            std::size_t to = commaOutsideQuotes(line, from);
            if (to == std::string_view::npos) to = line.size();
            args[i] = argument(line, from, to);
            from = to + 1;
        }
        if (args[0].end > args[0].begin) {
            LabelReference r;
            r.label = std::string(line.substr(args[0].begin, args[0].end - args[0].begin));
            if (word == "_goto") r.file = std::string(line.substr(args[1].begin, args[1].end - args[1].begin));
            r.line = lineNo;
            r.begin = args[0].begin;
            r.end = args[0].end;
            out_.references.push_back(std::move(r));
        }
        return word;
    }

    // LABEL,CONDITION,COMMAND
    void option(std::string_view line, int lineNo) {
        std::size_t first = commaOutsideQuotes(line, 0);
        if (first == std::string_view::npos) return;
        std::size_t second = commaOutsideQuotes(line, first + 1);
        if (second == std::string_view::npos) return;
        command(line, second + 1, lineNo);
    }

private:
    ScriptOutline& out_;
};

}  // namespace

bool sameLabel(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

const LabelDefinition* ScriptOutline::findLabel(std::string_view label) const {
    for (const LabelDefinition& d : labels)
        if (sameLabel(d.key, label)) return &d;
    return nullptr;
}

ScriptOutline outlineScript(const std::vector<std::string>& lines) {
    ScriptOutline out;
    Reader reader(out);
    bool inChoice = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const int lineNo = int(i);
        std::size_t at = skipBlanks(line, 0);
        if (inChoice) {
            std::size_t end = line.size();
            while (end > at && blank(line[end - 1])) --end;
            if (line.substr(at, end - at) == "_endsel")
                inChoice = false;
            else
                reader.option(line.substr(0, end), lineNo);
            continue;
        }
        if (line.substr(at, 1) == "~" && line.size() >= at + 9) at += 9;
        if (at >= line.size()) continue;
        switch (line[at]) {
            case ':': {
                if (at != skipBlanks(line, 0)) break;  // after a text id it is text
                std::size_t end = line.size();
                while (end > at + 1 && blank(line[end - 1])) --end;
                out.labels.push_back({std::string(line.substr(at)), lineNo, at + 1, end});
                break;
            }
            case '!': {
                std::size_t end = line.size();
                while (end > at + 1 && blank(line[end - 1])) --end;
                out.chapters.push_back({std::string(line.substr(at + 1, end - at - 1)), lineNo});
                break;
            }
            case '_':
                if (opensChoice(reader.command(line, at, lineNo))) inChoice = true;
                break;
            default:
                break;
        }
    }
    return out;
}

std::size_t utf16Column(std::string_view line, std::size_t byteColumn) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < line.size() && i < byteColumn;) {
        const auto c = static_cast<unsigned char>(line[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

std::size_t byteColumn(std::string_view line, std::size_t utf16) {
    std::size_t units = 0, i = 0;
    while (i < line.size()) {
        const auto c = static_cast<unsigned char>(line[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const std::size_t width = length == 4 ? 2 : 1;
        if (units + width > utf16) break;
        units += width;
        i = std::min(line.size(), i + length);
    }
    return i;
}

}  // namespace qvl::authoring
