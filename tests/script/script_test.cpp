#include "base/fault.h"
#include "base/reporter.h"
#include "base/sjis.h"
#include "platform/files.h"
#include "script/command_help.h"
#include "script/command_table.h"
#include "script/dispatcher.h"
#include "script/interpreter.h"
#include "script/line_mapping.h"
#include "script/messages.h"
#include "script/script_key.h"
#include "script/script_loader.h"
#include "script/script_program.h"
#include "script/tokenizer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qvl {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Args = std::array<std::string, kArgSlots>;

const std::string kDa = "\x83\x5F";        // ダ, trail '_'
const std::string kOmote = "\x95\x5C";     // 表, trail '\'
const std::string kWideSpace = "\x81\x40";  // full-width space

struct RecordingReporter : ScriptErrorReporter {
    void scriptError(const std::string& m) override { errors.push_back(m); }
    Lines errors;
};

// A fresh directory that is the current one for the test's duration.
class ScriptDir : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("qvl-script-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }
    void write(const fs::path& rel, const std::string& bytes) {
        fs::create_directories((dir_ / rel).parent_path());
        std::ofstream(dir_ / rel, std::ios::binary) << bytes;
    }
    std::string scrambled(Lines lines, int32_t key) {
        std::string out;
        for (auto& l : lines) {
            scrambleLine(l, key);
            out += l + "\r\n";
        }
        return out;
    }
    Lines load(const std::string& name, const std::string& root = "") {
        return findAndReadScript(name, files_, root, kKey).toStrings();
    }

    static constexpr int32_t kKey = 101;
    platform::FileSystem files_;
    fs::path saved_, dir_;
};

TEST(ReadToken, QuotedAndUnquotedTokens) {
    struct Case {
        std::string line;
        std::size_t from;
        std::string text;
        std::size_t next;
    };
    for (const Case& c : std::vector<Case>{
             {"a b\tc,d", 1, "abc", 7},            // blanks vanish, ',' ends
             {"x,\"a b,c\" q ,d", 3, "a b,c", 14},  // after the quote, skip to the delimiter
             {"\"ab\ncd\"", 1, "ab", 5},           // a quote does not run past a line feed
             {"\"a,b", 1, "a,b", 5},
             {"ab\ncd", 1, "ab", 4},
             {"ab_cd", 1, "ab", 4},
             {"a\"b,c", 1, "a\"b", 5},           // a quote inside is kept
             {kDa + "x_y", 1, kDa + "x", 5},      // ダ's trail is not the terminator
         }) {
        Token t = readToken(c.line, c.from, '_');
        EXPECT_EQ(t.text, c.text) << c.line;
        EXPECT_EQ(t.next, c.next) << c.line;
    }
}

TEST(Tokenize, OrdinaryCommandFillsSlotsAndClearsTheRest) {
    Args args;
    args.fill("stale");
    EXPECT_EQ(tokenize("_bgload a, b ,\"c d\",*,,e", args), "_bgload");
    EXPECT_EQ(args, (Args{"a", "b", "c d", "", "", "e"}));  // '*' asks for the default
    args.fill("stale");
    EXPECT_EQ(tokenize("_refresh", args), "_refresh");
    EXPECT_EQ(args, Args{});
    EXPECT_EQ(tokenize("_bgload\ta,b", args), "_bgload\ta,b");  // a tab does not end the word
    EXPECT_EQ(tokenize("_bgload   x", args), "_bgload");
    EXPECT_EQ(args[0], "x");
    // 17 arguments: the last is dropped.
    tokenize("_x 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", args);
    EXPECT_EQ(args[15], "16");
    tokenize("_x ,,,,,,,,,,,,,,,,last", args);
    EXPECT_EQ(args, Args{});
}

TEST(Tokenize, UnquotedUnderscoreEndsTheArgumentList) {
    Args args;
    tokenize("_objput 0,bg_01,5", args);
    EXPECT_EQ(args, (Args{"0", "bg"}));
    tokenize("_objput 0,\"bg_01\",5", args);
    EXPECT_EQ(args, (Args{"0", "bg_01", "5"}));
    // Double-byte characters whose trail is '_' or '\\' are neither ends nor splits.
    tokenize("_objput " + kDa + "," + kOmote + "x," + kDa + "a,1", args);
    EXPECT_EQ(args, (Args{kDa, kOmote + "x", kDa + "a", "1"}));
}

TEST(Tokenize, FlagAssignmentAndConditionalForms) {
    Args args;
    EXPECT_EQ(tokenize("_$flg[3] = 1+2", args), "_$flg[3]");
    EXPECT_EQ(args, (Args{"1+2"}));
    EXPECT_EQ(tokenize("_@flg[ 4 ]=\"a, b\"", args), "_@flg[4]");
    EXPECT_EQ(args[0], "a, b");
    EXPECT_EQ(tokenize("_$flg[3]=1_junk", args), "_$flg[3]");
    EXPECT_EQ(args[0], "1");
    EXPECT_EQ(tokenize("_(a == 1),  _goto x,y", args), "_(a==1)");
    EXPECT_EQ(args, (Args{"_goto x,y"}));
    EXPECT_EQ(tokenize("_($flg[1]>0)", args), "_($flg[1]>0)");
    EXPECT_EQ(args, Args{});
}

TEST(ScriptKey, ScrambleIsItsOwnInverseAndNeverTouchesControlBytes) {
    std::string all;
    for (int round = 0; round < 2; ++round)
        for (int b = 0; b < 256; ++b) all += char(b);
    all += 'x';
    all += all;  // every byte value at both parities
    for (int32_t key : {0, 1, 23, 31, 32, 33, 101, 1000, INT32_MAX, -1, -31, -32, -1000, INT32_MIN}) {
        SCOPED_TRACE(key);
        std::string s = all;
        scrambleLine(s, key);
        for (std::size_t i = 0; i < s.size(); ++i) {
            auto before = static_cast<unsigned char>(all[i]), after = static_cast<unsigned char>(s[i]);
            if (before < 32) ASSERT_EQ(after, before) << i;
            else ASSERT_GE(after, 32) << i;
        }
        scrambleLine(s, key);
        EXPECT_EQ(s, all);
    }
}

TEST(ScriptKey, KeyBytesAlternateAlongTheLineAndKeyFilesReadLikePercentD) {
    std::string s = "AA\tAA";
    scrambleLine(s, 101);     // 101 = 3 * 32 + 5
    EXPECT_EQ(s, "BD\tDB");  // the control byte still counts as a position
    s = "AB";
    scrambleLine(s, 7);
    EXPECT_EQ(s, "FE");
    EXPECT_GT(kDefaultScriptKey, 0);
    EXPECT_LT(kDefaultScriptKey, 32);
    EXPECT_EQ(scriptKeyFromFile("  1234\r\n"), scriptKeyFromValue(1234));
    EXPECT_EQ(scriptKeyFromFile("-77 junk"), scriptKeyFromValue(-77));
    EXPECT_EQ(scriptKeyFromFile(""), std::nullopt);
    EXPECT_EQ(scriptKeyFromFile("key=5"), std::nullopt);
    // Extremes must not overflow (the sanitizers watch this).
    for (int32_t v : {0, 1, -1, 12345, -12345, INT32_MAX, INT32_MIN, INT32_MIN + 1})
        EXPECT_EQ(scriptKeyFromValue(v), scriptKeyFromValue(v)) << v;
}

TEST(ScriptProgram, LabelKeysKeepTrailingBlanksAndIgnoreCase) {
    RecordingReporter reporter;
    ScriptProgram p;
    p.Lines = {"  :Start  ", "text", ":start", ":Other", "\t:tab", ":OTHER", "x :no"};
    p.buildLabels(reporter);
    EXPECT_EQ(p.LabelNames, (Lines{":Start  ", ":start", ":Other", ":tab", ":OTHER"}));
    EXPECT_EQ(p.findLabel(":START  "), 0);
    EXPECT_EQ(p.findLabel(":start"), 2);  // not the label with trailing blanks
    EXPECT_EQ(p.findLabel(":other"), 3);  // the first of equal labels
    EXPECT_EQ(p.findLabel(":TAB"), 4);
    EXPECT_EQ(p.findLabel("Start"), std::nullopt);
    p.Lines = {"a", ":New"};  // a new file forgets the old labels
    p.buildLabels(reporter);
    EXPECT_EQ(p.findLabel(":start"), std::nullopt);
    EXPECT_EQ(p.findLabel(":new"), 1);
    EXPECT_TRUE(reporter.errors.empty());
}

TEST(ScriptProgram, FiveHundredThirteenthLabelIsReportedOnce) {
    RecordingReporter reporter;
    ScriptProgram p;
    Lines lines{"first line"};
    for (int i = 0; i < 520; ++i) lines.push_back(":L" + std::to_string(i));
    p.Lines = lines;
    p.buildLabels(reporter);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0], message(Message::TooManyLabels) + "512");
    EXPECT_EQ(p.LabelNames.size(), 512u);
    EXPECT_EQ(p.findLabel(":L0"), 1);
    EXPECT_EQ(p.findLabel(":L511"), 512);
    EXPECT_EQ(p.findLabel(":L512"), std::nullopt);
}

TEST_F(ScriptDir, ReadsTheNamedFileOrItsTxtTxdTwin) {
    write("plain.txt", "a\r\nb\nc");
    EXPECT_EQ(load("plain.txt"), (Lines{"a", "b", "c"}));

    const Lines text{"_bgload \"x y\"", "\tline two", ""};
    write("coded.txd", scrambled(text, kKey));
    EXPECT_EQ(load("coded.txt"), text);  // .txt missing: the scrambled twin
    EXPECT_EQ(load("coded.txd"), text);
    EXPECT_EQ(load("CODED.TXT"), text);  // extension compared in lower case

    write("both.txt", "plain text");  // .txd missing: the plain twin, not decoded
    EXPECT_EQ(load("both.txd"), (Lines{"plain text"}));

    // The base is always the name minus four characters.
    write("scene..txt", "four");
    EXPECT_EQ(load("scene.long"), (Lines{"four"}));

    EXPECT_THROW(load("missing.txt"), Fault);
    EXPECT_THROW(load("missing.txd"), Fault);
    EXPECT_THROW(load("scene.lon"), Fault);
}

TEST_F(ScriptDir, ExpandsDataDriveResolvesCaseAndStopsAtNul) {
    write("Disc/SUB/Story.TXT", std::string("one\r\ntwo\0three\r\nfour", 20));
    EXPECT_EQ(load("%DATA_DRIVE%sub\\story.txt", "disc\\"), (Lines{"one", "two"}));
    EXPECT_EQ(expandDataDrive("%DATA_DRIVE%a%DATA_DRIVE%", "R:\\"), "R:\\a%DATA_DRIVE%");
    EXPECT_EQ(expandDataDrive("plain", "R:\\"), "plain");
}

TEST(ClassifyLine, TakesTheIdentifierPrefixAndDecidesByTheFirstByte) {
    ClassifiedLine c = classifyLine("  ~0000001Fhello  ");
    EXPECT_EQ(c.kind, LineKind::Text);
    EXPECT_EQ(c.textId, 31);
    EXPECT_EQ(c.text, "hello");
    EXPECT_EQ(classifyLine("~0000000a_bgload x").textId, 10);
    EXPECT_EQ(classifyLine(" \t\r").textId, -1);
    EXPECT_THROW(classifyLine("~0000001G text"), Fault);
    EXPECT_THROW(classifyLine("~1F"), Fault);
    const std::pair<std::string, LineKind> kinds[] = {
        {"~0000000a_bgload x", LineKind::Command}, {" _bgload x", LineKind::Command},
        {kWideSpace + "_bgload x", LineKind::Text},  // only single-byte blanks are trimmed
        {"\\unpaged", LineKind::Unpaged}, {"!Chapter", LineKind::Chapter}, {":label", LineKind::Label},
        {";c", LineKind::Comment}, {"#c", LineKind::Comment}, {" \t\r", LineKind::Blank},
        {"~00000001", LineKind::Blank}, {kOmote, LineKind::Text}};
    for (const auto& [line, kind] : kinds) EXPECT_EQ(classifyLine(line).kind, kind) << line;
}

TEST(Dispatcher, RunsCommandsByExactWordAndReportsTheRest) {
    InterpreterState state;
    RecordingReporter reporter;
    Dispatcher d(state, reporter);
    std::string seen;
    int conditionals = 0, assignments = 0;
    d.add("_bgload", [&] { seen = state.ProgArgs[0] + "|" + state.ProgArgs[1]; });
    d.setConditional([&] {
        ++conditionals;
        return false;
    });
    d.setFlagAssignment([&] { ++assignments; });

    d.dispatch("_bgload a, b");
    EXPECT_EQ(seen, "a|b");
    EXPECT_EQ(d.word(), "_bgload");
    d.dispatch("_endthen");
    d.dispatch("_end");
    EXPECT_TRUE(reporter.errors.empty());

    d.dispatch("_(1),_bgload x");
    EXPECT_EQ(conditionals, 1);
    EXPECT_EQ(state.ProgArgs[0], "_bgload x");
    d.dispatch("_$flg[1]=5");
    d.dispatch("_@flg[2]=x");
    EXPECT_EQ(assignments, 2);

    d.dispatch("_BGLOAD a");
    d.dispatch("_bgload\ta");
    EXPECT_EQ(reporter.errors,
              (Lines{message(Message::BadCommand) + "_BGLOAD", message(Message::BadCommand) + "_bgload\ta"}));
    EXPECT_EQ(seen, "a|b");
}

// Records what the loop asks of the engine, one string per call.
struct FakeHost : InterpreterHost {
    FakeHost(InterpreterState& s, int32_t& id) : state(s), textId(id) {}
    void dispatch(const std::string& line) override {
        calls.push_back("cmd " + line + " flag" + std::to_string(state.ProgMultiStateFlag));
        if (line == "_jump") state.ProgNextLine = 5;
        if (line == "_out") state.ProgNextLine = 99;
    }
    void showTextLine(const std::string& line, int32_t start) override {
        calls.push_back("text " + line + " @" + std::to_string(start) + " id" + std::to_string(textId));
    }
    void showUnpagedText(const std::string& text) override { calls.push_back("unpaged " + text); }
    void clearTextWindow() override {}
    bool restoreSavedGame() override { return true; }
    void returnToTitle() override {}
    void setChapter(const std::string& title) override { calls.push_back("chapter " + title); }

    InterpreterState& state;
    int32_t& textId;
    Lines calls;
};

TEST(Interpreter, RunsLinesInOrderByKindAndFollowsProgNextLine) {
    ScriptProgram program;
    InterpreterState state;
    int32_t textId = -1, pending = 0;
    FakeHost host(state, textId);
    program.Lines = {"_a 1", "text one", " !Chap ", "_jump", "skipped", ":label", "\\unpaged", "; c",
                     "", "~0000000Atwo", "_out", "never"};
    state.ProgMultiStateFlag = 2;
    Interpreter(program, state, textId, pending, host).run();
    EXPECT_EQ(host.calls, (Lines{"cmd _a 1 flag0", "text text one @1 id-1", "chapter Chap", "cmd _jump flag0",
                                 "unpaged unpaged\n", "text two @1 id10", "cmd _out flag0"}));
    EXPECT_EQ(state.ProgChapter, "Chap");
    EXPECT_EQ(state.ProgExecLine, 99);
    EXPECT_EQ(state.ProgNextLine, -1);
}

}  // namespace
}  // namespace qvl

namespace qvl {
namespace {

TEST(Interpreter, ALoadResumesTheSavedTextLineWhileItHoldsAnyCharacter) {
    // The load happens after line 0; the save point is on line 1 ("~id" prefix,
    // four bytes of text) at the position given.
    for (auto [pos, resumed] : {std::pair{4, true}, {5, false}}) {
        ScriptProgram program;
        program.Lines = {"_load", "  ~00000001abcA  ", "next"};
        InterpreterState state;
        int32_t textId = -1, pending = 0;
        struct LoadingHost : FakeHost {
            LoadingHost(InterpreterState& s, int32_t& id, int32_t& p, int32_t at)
                : FakeHost(s, id), pendingRef(p), position(at) {}
            int32_t& pendingRef;
            int32_t position;
            void dispatch(const std::string& line) override {
                FakeHost::dispatch(line);
                if (line == "_load") pendingRef = kPendingLoad;
            }
            bool restoreSavedGame() override {
                state.ProgExecLine = 1;
                state.ProgTextPos = position;
                state.ProgMultiStateFlag = 2;
                return true;
            }
        } host(state, textId, pending, pos);
        Interpreter(program, state, textId, pending, host).run();
        Lines expected{"cmd _load flag0"};
        if (resumed) expected.push_back("text abcA @4 id-1");
        expected.push_back("text next @1 id-1");
        EXPECT_EQ(host.calls, expected) << "position " << pos;
    }
}

TEST(Dispatcher, ConditionalPrefixesThousandsDeepRunInOneLoop) {
    InterpreterState state;
    RecordingReporter reporter;
    Dispatcher d(state, reporter);
    int conditions = 0, runs = 0;
    d.setConditional([&] {
        ++conditions;
        return d.word() == "_(1)";
    });
    d.add("_bgload", [&] { ++runs; });
    std::string deep;
    for (int i = 0; i < 200'000; ++i) deep += "_(1), ";
    d.dispatch(deep + "_bgload x");
    EXPECT_EQ(conditions, 200'000);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(state.ProgArgs[0], "x");

    // A false condition anywhere leaves the rest of the line in slot 0.
    conditions = 0;
    d.dispatch(deep + "_(0),_(1),_bgload y");
    EXPECT_EQ(conditions, 200'001);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(state.ProgArgs[0], "_(1),_bgload y");
    EXPECT_TRUE(reporter.errors.empty());
}

TEST(Dispatcher, CommandsThatRunCommandsStopAtTheNestingLimit) {
    InterpreterState state;
    RecordingReporter reporter;
    Dispatcher d(state, reporter);
    int runs = 0;
    d.add("_selmenu", [&] {
        ++runs;
        d.dispatch("_selmenu");
    });
    d.dispatch("_selmenu");
    EXPECT_EQ(runs, kMaxCommandNesting);
    EXPECT_EQ(reporter.errors, Lines{message(Message::CommandsTooDeep) + std::to_string(kMaxCommandNesting)});
}

}  // namespace
}  // namespace qvl

namespace qvl {
namespace {

TEST(ScriptLines, SplitLikeTheFileReaderWithAnyLineReachableInAnyOrder) {
    std::string bytes = "a\r\nb\nc\rd\n\n" + kOmote + "\r\n";
    for (int i = 0; i < 40; ++i) bytes += "line" + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
    bytes += "last";
    const Lines expected = sjis::splitLines(bytes, true);
    const ScriptLines lines = ScriptLines::fromBytes(bytes + std::string("\0after\nmore", 11));
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines.toStrings(), expected);
    for (std::size_t i = expected.size(); i-- > 0;) EXPECT_EQ(lines[i], expected[i]) << i;
    EXPECT_EQ(lines.at(17).index(), 17u);
    EXPECT_EQ(*lines.at(17), expected[17]);
    EXPECT_TRUE(lines.at(expected.size()) == lines.end());
    EXPECT_TRUE(ScriptLines::fromBytes("").empty());
    EXPECT_EQ(ScriptLines::fromBytes("x\r").size(), 1u);
}

TEST_F(ScriptDir, AScriptCostsAboutItsSizeHoweverItsLinesAreCut) {
    // Short lines, empty lines of each break, one long line, and scrambled.
    std::string shortLines, crs(1'000'000, '\r'), lfs(1'000'000, '\n');
    for (int i = 0; shortLines.size() < 2'000'000; ++i) shortLines += "_x " + std::to_string(i) + "\r\n";
    std::string longLine(2'000'000, 'a');
    for (const std::string* bytes : {&shortLines, &crs, &lfs, &longLine}) {
        write("s.txt", *bytes);
        const ScriptLines lines = findAndReadScript("s.txt", files_, "", kKey);
        EXPECT_LE(lines.memoryUsed(), 2 * bytes->size()) << lines.size() << " lines";
    }
    std::string scrambledFile = shortLines;
    scrambleFile(scrambledFile, kKey);
    write("t.txd", scrambledFile);
    const ScriptLines lines = findAndReadScript("t.txd", files_, "", kKey);
    EXPECT_LE(lines.memoryUsed(), 2 * shortLines.size());
    EXPECT_EQ(lines[12345], "_x 12345");
    EXPECT_EQ(lines.size(), std::size_t(std::count(shortLines.begin(), shortLines.end(), '\n')));
}

}  // namespace
}  // namespace qvl

TEST(CommandHelp, EveryCommandWordIsDescribedAndNothingElse) {
    for (const qvl::CommandInfo& c : qvl::commandTable()) {
        const qvl::CommandHelp* h = qvl::findCommandHelp(c.word);
        ASSERT_NE(h, nullptr) << c.word;
        EXPECT_TRUE(h->usage.starts_with(c.word)) << c.word;
    }
    EXPECT_EQ(qvl::findCommandHelp("_nosuch"), nullptr);
}

TEST(LineMapping, AnEditedScriptGoesOnAfterTheSameLabelOrAtTheSameLine) {
    qvl::ScriptProgram before, after;
    before.Lines = qvl::ScriptLines({"text", ":a", "one", "two", ":b", "three"});
    after.Lines = qvl::ScriptLines({"new", "new", ":B", "three", "text", ":a", "one", "two"});
    struct : qvl::ScriptErrorReporter {
        void scriptError(const std::string&) override {}
    } reporter;
    before.buildLabels(reporter);
    after.buildLabels(reporter);
    EXPECT_EQ(qvl::mapLineAcrossEdit(before, after, 3), 7) << "two lines after :a";
    EXPECT_EQ(qvl::mapLineAcrossEdit(before, after, 5), 3) << "after :b, found as :B";
    EXPECT_EQ(qvl::mapLineAcrossEdit(before, after, 0), 0) << "above every label: the same line";
    after.Lines = qvl::ScriptLines({"only", ":a"});
    after.buildLabels(reporter);
    EXPECT_EQ(qvl::mapLineAcrossEdit(before, after, 3), 2) << "past the end: the run ends there";
    EXPECT_EQ(qvl::mapLineAcrossEdit(before, after, 5), 2) << ":b is gone: line 5, kept inside the script";
}
