#pragma once
// What an editor needs to know of one script, read from its lines in UTF-8:
// the labels, the chapter lines and every place a jump names a label, with the
// byte columns of the names so that they can be shown, followed and renamed.
// The syntax is the engine's: a label line's key is the line without its
// leading blanks; _goto, _gosub and _return name labels, on their own, after a
// condition or as a choice option's command; _goto's second argument is the
// file the label is looked up in.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvl::authoring {

struct LabelDefinition {
    std::string key;                 // as the table holds it: ':' and any trailing blanks
    int line = 0;                    // 0-based
    std::size_t begin = 0, end = 0;  // the name after ':', trailing blanks excluded
};

struct LabelReference {
    std::string label;  // as written, without quotes
    std::string file;   // _goto's file argument as written; empty: the same script
    int line = 0;
    std::size_t begin = 0, end = 0;  // the label text
};

struct ChapterLine {
    std::string title;
    int line = 0;
};

struct ScriptOutline {
    std::vector<LabelDefinition> labels;
    std::vector<LabelReference> references;
    std::vector<ChapterLine> chapters;

    // The definition a jump to `label` reaches: the first key equal to it,
    // letter case ignored.
    const LabelDefinition* findLabel(std::string_view label) const;
};

ScriptOutline outlineScript(const std::vector<std::string>& lines);

// Letter case ignored for ASCII letters, as the label table compares.
bool sameLabel(std::string_view a, std::string_view b);

// UTF-16 code units of a UTF-8 line up to a byte column, and the byte column of
// a UTF-16 position (clamped to the line, never inside a character).
std::size_t utf16Column(std::string_view line, std::size_t byteColumn);
std::size_t byteColumn(std::string_view line, std::size_t utf16);

}  // namespace qvl::authoring
