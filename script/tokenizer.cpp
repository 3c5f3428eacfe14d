#include "script/tokenizer.h"

#include "base/sjis.h"

namespace qvl {

Token readToken(std::string_view line, std::size_t position, char terminator) {
    Token token;
    std::size_t i = position > 0 ? position - 1 : 0;
    const bool quoted = i < line.size() && line[i] == '"' && terminator != '"';
    if (quoted) ++i;
    auto isEnd = [&](char c) { return c == '\n' || c == ',' || c == terminator; };

    if (!quoted) {
        while (i < line.size()) {
            std::size_t n = sjis::charLength(line, i);
            if (n == 1) {
                char c = line[i];
                if (c == ' ' || c == '\t') {
                    ++i;
                    continue;
                }
                if (isEnd(c)) {
                    ++i;
                    break;
                }
            }
            token.text.append(line.substr(i, n));
            i += n;
        }
        token.next = i + 1;
        return token;
    }

    bool closed = false;
    while (i < line.size()) {
        std::size_t n = sjis::charLength(line, i);
        if (n == 1 && line[i] == '\n') {
            token.next = i + 2;
            return token;
        }
        if (n == 1 && line[i] == '"') {
            ++i;
            closed = true;
            break;
        }
        token.text.append(line.substr(i, n));
        i += n;
    }
    if (closed) {
        while (i < line.size()) {
            std::size_t n = sjis::charLength(line, i);
            if (n == 1 && isEnd(line[i])) {
                ++i;
                break;
            }
            i += n;
        }
    }
    token.next = i + 1;
    return token;
}

ConditionalParts splitConditional(std::string_view line) {
    Token word = readToken(line, 1, ',');
    std::size_t p = word.next;
    while (p <= line.size() && sjis::isBlank(static_cast<unsigned char>(line[p - 1]))) ++p;
    return {std::move(word.text), p};
}

std::string tokenize(std::string_view line, std::array<std::string, kArgSlots>& args) {
    for (auto& a : args) a.clear();
    if (line.size() >= 2 && (line[1] == '@' || line[1] == '$')) {
        Token word = readToken(line, 1, '=');
        args[0] = readToken(line, word.next, '_').text;
        return word.text;
    }
    if (line.size() >= 2 && line[1] == '(') {
        ConditionalParts parts = splitConditional(line);
        if (parts.command <= line.size()) args[0] = line.substr(parts.command - 1);
        return std::move(parts.word);
    }

    std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return std::string(line);
    std::string word(line.substr(0, space));
    std::size_t pos = space + 2;  // 1-based, after the space
    for (int slot = 0; slot < kArgSlots; ++slot) {
        while (pos <= line.size() && (line[pos - 1] == ' ' || line[pos - 1] == '\t')) ++pos;
        Token token = readToken(line, pos, '_');
        args[std::size_t(slot)] = token.text == "*" ? std::string() : std::move(token.text);
        pos = token.next;
        if (pos - 2 < line.size() && line[pos - 2] == '_') break;
        if (pos > line.size()) break;
    }
    return word;
}

}  // namespace qvl
