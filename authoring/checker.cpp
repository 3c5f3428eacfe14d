#include "authoring/checker.h"

#include "base/fault.h"
#include "base/numbers.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "script/command_table.h"
#include "script/interpreter.h"
#include "script/script_program.h"
#include "script/tokenizer.h"
#include "text/text_measure.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <optional>

namespace qvl::authoring {

namespace {

// Values a save file carries are written one per line, read back 255 bytes at most.
constexpr std::size_t kSavedValueBytes = 255;
// The option texts a save file keeps.
constexpr int kSavedOptions = 10;
// A conditional line may carry another; deeper than this is no scenario's need.
constexpr int kMaxNesting = 8;

std::string utf8(std::string_view sjis) { return platform::sjisToUtf8(sjis); }

// What follows a choice command or _scroll up to its marker line.
enum class BlockBody { None, Options, ScrollLines };

struct BlockKind {
    std::string_view opener;  // the command word (or family) that opens it
    std::string_view marker;
};
constexpr BlockKind kThen{"_then", "_endthen"};
constexpr BlockKind kElse{"_else", "_endelse"};
constexpr BlockKind kBranch{"_branch", "_endbranch"};

struct Script {
    std::string sjisName;  // the file read
    std::string file;      // the same in UTF-8, for findings
    std::vector<std::string> lines;
    ScriptProgram program;
};

struct LabelJump {
    std::size_t from;
    int32_t line;  // 1-based
    std::string label;
    std::optional<std::size_t> target;  // the script the label is looked up in
};

class LabelCollector final : public ScriptErrorReporter {
public:
    void scriptError(const std::string&) override { tooMany = true; }
    bool tooMany = false;
};

// One open block of a kind that does not nest: the line that opened it and
// whether an inner one already took its marker.
struct OpenBlock {
    int32_t line = 0;
    bool open = false;
    int strayMarkersOwed = 0;
};

class Checker {
public:
    explicit Checker(ScenarioFiles& files) : files_(files) {}

    std::vector<Finding> run(const std::string& start) {
        if (!load(start)) add(utf8(start), 0, "missing-file", "the start script " + utf8(start) + " cannot be read");
        while (!queue_.empty()) {
            const std::size_t index = queue_.front();
            queue_.pop_front();
            checkScript(index);
        }
        checkJumps();
        std::stable_sort(findings_.begin(), findings_.end(), [this](const Finding& a, const Finding& b) {
            const std::size_t fa = order(a.file), fb = order(b.file);
            return fa != fb ? fa < fb : a.line < b.line;
        });
        return std::move(findings_);
    }

    std::vector<ScriptSource> sources() const {
        std::vector<ScriptSource> out;
        for (const Script& s : scripts_) out.push_back({s.sjisName, s.lines});
        return out;
    }

private:
    std::size_t order(const std::string& file) const {
        for (std::size_t i = 0; i < scripts_.size(); ++i)
            if (scripts_[i].file == file) return i;
        return scripts_.size();
    }

    void add(const std::string& file, int32_t line, std::string kind, std::string message) {
        findings_.push_back({file, line, std::move(kind), std::move(message)});
    }
    void add(int32_t line, std::string kind, std::string message) {
        add(scripts_[current_].file, line, std::move(kind), std::move(message));
    }

    // The index of a script, read and queued on first sight; nothing when unreadable.
    std::optional<std::size_t> load(const std::string& sjisName) {
        auto source = files_.readScript(sjisName);
        if (!source) return std::nullopt;
        const std::string key = sjis::toLower(source->fileName);
        if (auto it = byKey_.find(key); it != byKey_.end()) return it->second;
        Script s;
        s.sjisName = source->fileName;
        s.file = utf8(source->fileName);
        s.lines = std::move(source->lines);
        s.program.Lines = s.lines;
        LabelCollector labels;
        s.program.buildLabels(labels);
        scripts_.push_back(std::move(s));
        const std::size_t index = scripts_.size() - 1;
        byKey_[key] = index;
        queue_.push_back(index);
        if (labels.tooMany) {
            // The first label line past the table's room.
            const Script& s = scripts_[index];
            int32_t line = 0;
            for (std::size_t i = std::size_t(s.program.LabelLines[kMaxLabels - 1]) + 1; i < s.lines.size(); ++i)
                if (sjis::trimLeft(s.lines[i]).starts_with(':')) {
                    line = int32_t(i + 1);
                    break;
                }
            add(s.file, line, "too-many-labels",
                "more than " + std::to_string(kMaxLabels) + " labels: this one and the ones after it are never found");
        }
        return index;
    }

    void checkScript(std::size_t index) {
        current_ = index;
        layout_ = MeasureLayout{};
        bgmMode_ = 0;
        then_ = else_ = branch_ = OpenBlock{};
        checkLabels();
        const auto& lines = scripts_[index].lines;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int32_t lineNo = int32_t(i + 1);
            checkEncoding(lines[i], lineNo);
            ClassifiedLine c;
            try {
                c = classifyLine(lines[i]);
            } catch (const Fault&) {
                add(lineNo, "bad-text-id", "\"~\" must be followed by eight hexadecimal digits");
                continue;
            }
            switch (c.kind) {
                case LineKind::Command: {
                    BlockBody body = BlockBody::None;
                    std::string scrollMode;
                    checkCommand(c.text, lineNo, 0, &body, &scrollMode);
                    if (body != BlockBody::None) i = checkBlockBody(i, body, c.text, scrollMode);
                    break;
                }
                case LineKind::Chapter:
                    if (c.text.size() - 1 > kSavedValueBytes)
                        add(lineNo, "long-line", "the chapter title is " + std::to_string(c.text.size() - 1) +
                                                     " bytes; a save file keeps 255");
                    break;
                case LineKind::Text: checkText(c.text, lineNo); break;
                default: break;
            }
        }
        closeBlocks(then_, kThen);
        closeBlocks(else_, kElse);
        closeBlocks(branch_, kBranch);
    }

    void checkLabels() {
        const ScriptProgram& p = scripts_[current_].program;
        for (std::size_t i = 1; i < p.LabelNames.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (sjis::equalsIgnoreCase(p.LabelNames[i], p.LabelNames[j])) {
                    add(p.LabelLines[i] + 1, "duplicate-label",
                        "label " + utf8(p.LabelNames[i]) + " is already on line " + std::to_string(p.LabelLines[j] + 1) +
                            "; jumps never reach this one");
                    break;
                }
    }

    void checkEncoding(std::string_view line, int32_t lineNo) {
        for (std::size_t i = 0; i < line.size();) {
            const auto b = static_cast<unsigned char>(line[i]);
            bool bad = b == 0x80 || b == 0xA0 || b >= 0xFD;
            if (sjis::isLeadByte(b)) {
                const auto t = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : 0;
                bad = !((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC));
                if (!bad) {
                    i += 2;
                    continue;
                }
            }
            if (bad) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%02X", unsigned(b));
                add(lineNo, "bad-sjis", "byte 0x" + std::string(hex) + " at column " + std::to_string(i + 1) +
                                            " is not Shift-JIS text");
                return;
            }
            ++i;
        }
    }

    // How many arguments the line gives, counted past the sixteen slots; empty
    // ones at the end do not count. Sets droppedTail when an unquoted '_' ended
    // the list with more text after it.
    static int countArgs(std::string_view line, bool& droppedTail) {
        droppedTail = false;
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) return 0;
        std::size_t pos = space + 2;
        int given = 0, last = 0;
        while (true) {
            while (pos <= line.size() && (line[pos - 1] == ' ' || line[pos - 1] == '\t')) ++pos;
            const Token token = readToken(line, pos, '_');
            ++given;
            if (!token.text.empty() && token.text != "*") last = given;
            pos = token.next;
            if (pos - 2 < line.size() && line[pos - 2] == '_') {
                droppedTail = !sjis::trim(line.substr(std::min(pos - 1, line.size()))).empty();
                break;
            }
            if (pos > line.size()) break;
        }
        return last;
    }

    void checkCommand(const std::string& line, int32_t lineNo, int depth, BlockBody* body, std::string* scrollMode) {
        if (line.empty() || line.front() != '_') {
            add(lineNo, "unknown-command", "an option's command must be a command line: " + utf8(line));
            return;
        }
        std::array<std::string, kArgSlots> args;
        const std::string word = tokenize(line, args);
        const std::string_view w = word;
        if (w.substr(0, 2) == "_(") {
            if (depth < kMaxNesting) checkCommand(args[0], lineNo, depth + 1, nullptr, nullptr);
            return;
        }
        if (w.substr(0, 5) == "_$flg" || w.substr(0, 5) == "_@flg") {
            longValue(args[0], lineNo, "the flag value");
            return;
        }
        if (w.substr(0, 4) == "_end") {
            // Only a line that is the marker word alone ends a block.
            if (depth > 0 || line != word) return;
            if (w == kThen.marker) closeMarker(then_, kThen, lineNo);
            if (w == kElse.marker) closeMarker(else_, kElse, lineNo);
            if (w == kBranch.marker) closeMarker(branch_, kBranch, lineNo);
            if (w == "_endsel" || w == "_endscroll")
                add(lineNo, "unbalanced", std::string(w) + " without a block to close");
            return;
        }
        const CommandInfo* info = findCommand(word);
        if (!info) {
            std::string note;
            for (const CommandInfo& c : commandTable())
                if (sjis::equalsIgnoreCase(c.word, word)) note = " (letter case matters: " + std::string(c.word) + ")";
            if (note.empty() && word.find('\t') != std::string::npos)
                note = " (a tab after the command word belongs to the word; use a space)";
            add(lineNo, "unknown-command", "unknown command " + utf8(word) + note);
            return;
        }
        bool droppedTail = false;
        const int given = countArgs(line, droppedTail);
        const std::string underscoreNote =
            droppedTail ? " (an unquoted '_' ends the arguments; quote names that contain one)" : "";
        if (given < info->minArgs || given > info->maxArgs) {
            const std::string range = info->minArgs == info->maxArgs
                                          ? std::to_string(info->minArgs)
                                          : std::to_string(info->minArgs) + " to " + std::to_string(info->maxArgs);
            add(lineNo, "arg-count",
                word + " takes " + range + " argument" + (info->maxArgs == 1 ? "" : "s") + ", not " +
                    std::to_string(given) + underscoreNote);
        }
        for (std::size_t slot = 0; slot < args.size(); ++slot)
            longValue(args[slot], lineNo, "argument " + std::to_string(slot + 1));

        for (std::size_t slot = 0; slot < info->roles.size() && slot < args.size(); ++slot) {
            const std::string& a = args[slot];
            if (a.empty()) continue;
            switch (info->roles[slot]) {
                case 'p': checkFile("picture", a, lineNo, underscoreNote); break;
                case 'k':
                    if (a.front() != '#') checkFile("mask picture", a, lineNo, underscoreNote);
                    break;
                case 's': checkFile("sound", a, lineNo, underscoreNote); break;
                case 'm': checkFile("movie", a, lineNo, underscoreNote); break;
                case 'b': {
                    static const char* const kExtensions[] = {".mid", ".mp3", ".mp3", ".wav"};
                    if (bgmMode_ >= 0 && bgmMode_ <= 3) checkFile("music", a + kExtensions[bgmMode_], lineNo, underscoreNote);
                    break;
                }
                default: break;
            }
        }

        if (w == "_bgmmode") bgmMode_ = parseInt(args[0]).value_or(bgmMode_);
        if (w == "_goto" || w == "_gosub" || w == "_return") jump(w, args, lineNo);
        if (w == "_movplay") checkFrames(args, lineNo);
        if (depth == 0 && w == kThen.opener) openBlock(then_, kThen, lineNo);
        if (depth == 0 && w == kElse.opener) openBlock(else_, kElse, lineNo);
        if (depth == 0 && w == kBranch.opener) openBlock(branch_, kBranch, lineNo);
        if (w == "_selmenu" || w == "_selbutton" || w == "_selcgmode") {
            if (body) *body = BlockBody::Options;
            else add(lineNo, "unbalanced", word + " in a conditional or option command reads the lines after it as options");
        }
        if (w == "_scroll") {
            if (body) *body = BlockBody::ScrollLines, *scrollMode = args[4];
            else add(lineNo, "unbalanced", "_scroll in a conditional or option command reads the lines after it");
        }
    }

    void longValue(const std::string& value, int32_t lineNo, const std::string& what) {
        if (value.size() > kSavedValueBytes)
            add(lineNo, "long-line",
                what + " is " + std::to_string(value.size()) + " bytes; a save file keeps 255");
    }

    void checkFile(const char* what, const std::string& name, int32_t lineNo, const std::string& note = {}) {
        const FileLookup found = files_.lookup(name);
        if (found.match == FileMatch::Missing)
            add(lineNo, "missing-file", std::string(what) + " " + utf8(name) + " does not exist" + note);
        else if (found.match == FileMatch::CaseOnly)
            add(lineNo, "case-mismatch",
                std::string(what) + " " + utf8(name) + " is found only as " + found.actual +
                    " (letter case differs: a case-sensitive copy will not find it)");
    }

    void checkFrames(const std::array<std::string, kArgSlots>& args, int32_t lineNo) {
        auto first = parseInt(args[1]), last = parseInt(args[2]);
        if (!first || !last || args[0].empty()) return;
        const std::string& base = args[0];
        const std::size_t dot = base.rfind('.');
        const std::string ext = dot == std::string::npos ? std::string() : base.substr(dot);
        const std::string stem = base.size() > 4 ? base.substr(0, base.size() - 4) : std::string();
        int missing = 0;
        std::string firstMissing;
        for (int64_t k = *first; k <= *last && k - *first < 1000; ++k) {
            char number[8];
            std::snprintf(number, sizeof number, "%03d", int((k % 1000 + 1000) % 1000));
            const std::string frame = stem + number + ext;
            if (files_.lookup(frame).match == FileMatch::Missing && missing++ == 0) firstMissing = frame;
        }
        if (missing > 0)
            add(lineNo, "missing-file",
                std::to_string(missing) + " frame picture" + (missing == 1 ? "" : "s") + " of " + utf8(base) +
                    " do not exist, the first " + utf8(firstMissing));
    }

    void jump(std::string_view word, const std::array<std::string, kArgSlots>& args, int32_t lineNo) {
        std::optional<std::size_t> target = current_;
        if (word == "_goto" && !args[1].empty()) {
            const FileLookup found = files_.lookup(args[1]);
            if (found.match == FileMatch::CaseOnly)
                add(lineNo, "case-mismatch",
                    "script " + utf8(args[1]) + " is found only as " + found.actual +
                        " (letter case differs: a case-sensitive copy will not find it)");
            const std::size_t keep = current_;
            target = load(args[1]);
            current_ = keep;
            if (!target) {
                add(lineNo, "missing-file", "script " + utf8(args[1]) + " does not exist");
                return;
            }
        }
        if (args[0].empty()) return;
        jumps_.push_back({current_, lineNo, args[0], target});
    }

    void checkJumps() {
        for (const LabelJump& j : jumps_) {
            const Script& target = scripts_[*j.target];
            if (target.program.findLabel(j.label)) continue;
            std::string where = *j.target == j.from ? std::string() : " in " + target.file;
            std::string note;
            for (const std::string& name : target.program.LabelNames)
                if (sjis::equalsIgnoreCase(sjis::trim(name), sjis::trim(j.label)))
                    note = " (" + utf8(name) + " differs only in blanks)";
            add(scripts_[j.from].file, j.line, "missing-label", "no label " + utf8(j.label) + where + note);
        }
    }

    void openBlock(OpenBlock& b, const BlockKind& kind, int32_t lineNo) {
        if (b.open) {
            add(lineNo, "unbalanced",
                std::string(kind.opener) + " inside the " + std::string(kind.opener) + " block of line " +
                    std::to_string(b.line) + ": the outer block ends at the first " + std::string(kind.marker));
            ++b.strayMarkersOwed;
        }
        b.open = true;
        b.line = lineNo;
    }

    void closeMarker(OpenBlock& b, const BlockKind& kind, int32_t lineNo) {
        if (b.open) {
            b.open = false;
        } else if (b.strayMarkersOwed > 0) {
            --b.strayMarkersOwed;
        } else {
            add(lineNo, "unbalanced", std::string(kind.marker) + " without a " + std::string(kind.opener) + " before it");
        }
    }

    void closeBlocks(OpenBlock& b, const BlockKind& kind) {
        if (b.open)
            add(b.line, "unbalanced",
                std::string(kind.opener) + " without " + std::string(kind.marker) +
                    " after it: when it skips, the run goes back to the script's first line");
    }

    // Option lines or scroll lines up to the block's marker; returns the index of
    // the marker line (or the last line when there is none).
    std::size_t checkBlockBody(std::size_t opener, BlockBody body, const std::string& command,
                               const std::string& scrollMode) {
        const auto& lines = scripts_[current_].lines;
        const std::string marker = body == BlockBody::Options ? "_endsel" : "_endscroll";
        std::size_t end = opener + 1;
        while (end < lines.size() && sjis::trim(lines[end]) != marker) ++end;
        const std::string word = command.substr(0, command.find(' '));
        if (end == lines.size()) {
            add(int32_t(opener + 1), "unbalanced",
                word + " without " + marker + " after it: " +
                    (body == BlockBody::Options ? "every following line is read as an option"
                                                : "the roll has no lines and the run goes back to the first line"));
            // A roll without its marker reads no lines; what follows is script as usual.
            if (body == BlockBody::ScrollLines) return opener;
        }
        const bool pictureLabels = word != "_selmenu";
        const bool sideMode = parseInt(scrollMode).value_or(0) == 4;
        int options = 0;
        for (std::size_t i = opener + 1; i < end; ++i) {
            const int32_t lineNo = int32_t(i + 1);
            checkEncoding(lines[i], lineNo);
            if (body == BlockBody::Options) {
                const std::string t = sjis::trim(lines[i]);
                const Token label = readToken(t, 1, ',');
                std::size_t p = label.next;
                while (p <= t.size() && (t[p - 1] == ' ' || t[p - 1] == '\t')) ++p;
                const Token condition = readToken(t, p, ',');
                p = condition.next;
                while (p <= t.size() && (t[p - 1] == ' ' || t[p - 1] == '\t')) ++p;
                const std::string commandPart = p <= t.size() ? t.substr(p - 1) : std::string();
                if (options++ < kSavedOptions) {
                    if (!pictureLabels) longValue(label.text, lineNo, "the option's label");
                    longValue(commandPart, lineNo, "the option's command");
                }
                if (!commandPart.empty()) checkCommand(commandPart, lineNo, 1, nullptr, nullptr);
            } else {
                const std::string t = sjis::trimLeft(lines[i]);
                if (t.empty() || t.front() == '|') continue;
                if (sideMode && t.front() == '@')
                    checkFile("picture", t.substr(1), lineNo);
                else
                    checkFile("picture", t, lineNo);
            }
        }
        return end == lines.size() ? end - 1 : end;
    }

    // The text window's measuring pass: characters outside the window, codes
    // without their numbers, and the files the codes name.
    void checkText(const std::string& text, int32_t lineNo) {
        const LineMeasure m = TextMeasure(layout_).measureLine(text);
        const std::string px = std::to_string(m.pixels) + " pixels";
        const std::string window = std::to_string(TextMeasure::kWindowWidth) + "-pixel window";
        switch (m.outside) {
            case LineMeasure::Outside::None: break;
            case LineMeasure::Outside::Left: add(lineNo, "wide-text", "text starts " + px + " left of the window"); break;
            case LineMeasure::Outside::Right:
                add(lineNo, "wide-text", "text runs " + px + " past the right edge of the window");
                break;
            case LineMeasure::Outside::CentredTooWide:
                add(lineNo, "wide-text", "centred text is " + px + " wide, more than the " + window);
                break;
        }
        if (m.codeWithoutNumber)
            add(lineNo, "bad-code",
                std::string("the code letter ") + m.codeWithoutNumber + " has no number after it: the run ends here");
        for (const std::string& p : m.pictures) checkFile("picture", p, lineNo);
        for (const std::string& s : m.sounds) checkFile("sound", s, lineNo);
    }

    ScenarioFiles& files_;
    std::deque<Script> scripts_;  // grows while a script is being read: references must stay valid
    std::map<std::string, std::size_t> byKey_;
    std::deque<std::size_t> queue_;
    std::vector<LabelJump> jumps_;
    std::vector<Finding> findings_;
    std::size_t current_ = 0;
    MeasureLayout layout_;
    int32_t bgmMode_ = 0;
    OpenBlock then_, else_, branch_;
};

}  // namespace

std::vector<Finding> checkScenario(ScenarioFiles& files, const std::string& startScript) {
    return Checker(files).run(startScript);
}

std::vector<ScriptSource> reachableScripts(ScenarioFiles& files, const std::string& startScript) {
    Checker checker(files);
    checker.run(startScript);
    return checker.sources();
}

}  // namespace qvl::authoring
