// The debug window's form on a stand-in engine: the flag list, SET and 強制更新,
// the status lines, and one golden picture of each page.
#include "debug/debug_texts.h"
#include "debug/tfdebug.h"
#include "graphics/png_io.h"
#include "platform/encoding.h"
#include "script/flag_store.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

namespace qvl {
namespace {

using platform::sjisToUtf8;
using platform::utf8ToSjis;

class FakeDebugHost final : public DebugHost {
public:
    std::string flagText(int index) override { return flags.text(index); }
    void setFlagText(int index, const std::string& text) override {
        flags.setFlagText(index, text);
        ++flagWrites;
    }
    DebugStatus status() override {
        DebugStatus s = shownStatus;
        if (s.ProgExecLine >= 0 && std::size_t(s.ProgExecLine) < lines.size())
            s.runningLine = lines[std::size_t(s.ProgExecLine)];
        return s;
    }
    DebugSurface surface(int n) override { return {"pic" + std::to_string(n) + ".bmp", &picture}; }
    void hideWindow() override { hidden = true; }
    void endProgram() override { ended = true; }
    void setTextInput(bool on) override { textInput = on; }

    FlagStore flags;
    int flagWrites = 0;
    DebugStatus shownStatus;
    std::vector<std::string> lines;
    Surface picture{64, 48, 0x3366CC};
    bool hidden = false, ended = false, textInput = false;
};

platform::FontEngine& fonts() {
    static platform::FontEngine engine;
    return engine;
}

std::string row(const TFdebug& d, int k) { return d.ValList->rows().at(std::size_t(k)); }

TEST(TFdebug, FlagRowsFollowTheFlagsOnceTheListIsFilled) {
    FakeDebugHost host;
    TFdebug d(host);
    EXPECT_EQ(d.PageControl1->current(), TFdebug::kFlagPage) << "the flag list is shown first";

    // Before the list is filled nothing is rewritten and nothing fails.
    host.flags.Flags[5] = "x";
    d.forceUpdate();
    d.FlagChanged(5);
    EXPECT_TRUE(d.ValList->rows().empty());

    d.FillFlagList();
    ASSERT_EQ(d.ValList->rows().size(), 512u);
    EXPECT_EQ(row(d, 5), "005 = x");
    EXPECT_EQ(row(d, 511), "511 = 0");
    d.FillFlagList();  // a second fill adds nothing
    EXPECT_EQ(d.ValList->rows().size(), 512u);

    host.flags.Flags[7] = "12";
    d.FlagChanged(7);
    EXPECT_EQ(row(d, 7), "007 = 12");
    host.flags.Flags[300] = utf8ToSjis("あいう");
    EXPECT_EQ(row(d, 300), "300 = 0") << "only what was announced is rewritten";
    d.forceUpdate();
    EXPECT_EQ(sjisToUtf8(row(d, 300)), "300 = あいう");
}

TEST(TFdebug, SetWritesTheEditTextUnevaluatedToTheSelectedFlag) {
    FakeDebugHost host;
    TFdebug d(host);
    d.FillFlagList();

    d.ValEdit1->setText("1+2");
    d.setFlagFromEdit();
    EXPECT_EQ(host.flagWrites, 0) << "SET with no line selected does nothing";

    host.flags.Flags[9] = "old";
    d.selectFlag(9);
    EXPECT_EQ(d.Label6->lines().at(0), "9");
    EXPECT_EQ(d.ValEdit1->text(), "old") << "the selected flag's text goes into the field";
    d.ValEdit1->setText("1+2");
    d.setFlagFromEdit();
    EXPECT_EQ(host.flags.text(9), "1+2");
    EXPECT_EQ(row(d, 9), "009 = 1+2");

    d.ValEdit1->setText("");
    EXPECT_TRUE(d.pressButton("SET"));
    EXPECT_EQ(host.flags.text(9), "");
    EXPECT_EQ(row(d, 9), "009 = ") << "an empty flag's line ends after the equals sign and blank";
}

TEST(TFdebug, StatusLinesInOrderAndTheShortListWhenShown) {
    FakeDebugHost host;
    host.lines = {"  \t_bgload \"a.bmp\"", "second"};
    DebugStatus& s = host.shownStatus;
    s.LogTotalPage = 3, s.LogCurrentPage = 2, s.LogCurrentLine = 5, s.SaveLogStartPage = -1, s.SaveLogTotalPage = 1;
    s.ProgFileName = "autorun.txt", s.ProgChapter = "chapter";
    s.ProgExecLine = 0, s.ProgNextLine = -1, s.ProgRetStack = 0, s.ProgIfResult = 1, s.ProgSelResult = -2;
    s.ProgMultiStateFlag = 2;
    s.currentDirectory = "/games/x";
    TFdebug d(host);

    d.updateStatus();
    const std::vector<std::string> expected{
        "LogTotalPage:3",      "LogCurrentPage:2",    "LogCurrentLine:5",    "SaveLogStartPage:-1",
        "SaveLogTotalPage:1",  "ProgFileName:autorun.txt", "ProgChapter:chapter", "ProgExecLine:0",
        "ProgNextLine:-1",     "ProgRetStack:0",      "Prog[_if]Result:1",   "Prog[_sel]Result:-2",
        "ProgMultiStateFlag:2", "ProgRunningScript:", "\"_bgload \"a.bmp\"\"",
        sjisToUtf8(debugText(DebugText::CurrentDir)) + "/games/x\"",
    };
    std::vector<std::string> got;
    for (const std::string& line : d.ListBox1->rows()) got.push_back(sjisToUtf8(line));
    EXPECT_EQ(got, expected);

    // Shown again: the list starts over with the last two lines only. Past the
    // end of the script, or before one runs, there is no line to show.
    for (int32_t line : {2, -1}) {
        s.ProgExecLine = line;
        d.FormShow();
        ASSERT_EQ(d.ListBox1->rows().size(), 2u);
        EXPECT_EQ(sjisToUtf8(d.ListBox1->rows()[0]), "**実行が終了しているか、スクリプトが走っていません**");
        EXPECT_EQ(sjisToUtf8(d.ListBox1->rows()[1]), "カレントDIR:\"/games/x\"");
    }
}

TEST(TFdebug, ErrorsCollectInOrderAndTheButtonsReachTheHost) {
    FakeDebugHost host;
    TFdebug d(host);
    d.AddError("File:a.txt Line:3/one");
    d.AddError("File:a.txt Line:9/two");
    EXPECT_EQ(d.ErrList->rows(), (std::vector<std::string>{"File:a.txt Line:3/one", "File:a.txt Line:9/two"}));

    d.Button1->click();
    EXPECT_TRUE(host.hidden);
    EXPECT_FALSE(host.ended);
    d.Button4->click();
    EXPECT_TRUE(host.ended);
}

TEST(TFdebug, TheKeyboardAloneSetsAFlagAndClosesTheWindow) {
    FakeDebugHost host;
    TFdebug d(host);
    d.FillFlagList();
    d.selectFlag(4);
    auto key = [&d](platform::Key k) {
        platform::Event e;
        e.type = platform::Event::Type::KeyDown;
        e.key = k;
        d.handle(e);
    };
    // Tab goes round the controls; the flag field asks for text when it has the focus.
    for (int i = 0; i < 12 && !host.textInput; ++i) key(platform::Key::Tab);
    ASSERT_TRUE(host.textInput);
    platform::Event typed;
    typed.type = platform::Event::Type::TextInput;
    typed.text = "abc";
    d.handle(typed);
    key(platform::Key::Enter);
    EXPECT_EQ(host.flags.text(4), "0abc") << "Enter in the field is SET (typing went after the text)";
    key(platform::Key::Escape);
    EXPECT_TRUE(host.hidden) << "Esc is 閉じる";
}

TEST(TFdebug, ClicksPickTabsRowsAndSurfacesAndTheEditFieldAsksForText) {
    FakeDebugHost host;
    TFdebug d(host);
    d.FillFlagList();
    auto click = [&](int x, int y) {
        for (auto type : {platform::Event::Type::MouseDown, platform::Event::Type::MouseUp}) {
            platform::Event e;
            e.type = type;
            e.x = x;
            e.y = y;
            d.handle(e);
        }
    };
    d.draw(fonts());  // the tabs take their widths from the captions as drawn
    // The third row of the flag list (rows are 15 pixels from the list's inner edge).
    const Rect list = d.ValList->rect();
    click(list.x + 20, list.y + 2 + 2 * 15 + 5);
    EXPECT_EQ(d.ValList->selected(), 2);
    EXPECT_FALSE(host.textInput);
    const Rect edit = d.ValEdit1->rect();
    click(edit.x + 5, edit.y + 5);
    EXPECT_TRUE(host.textInput) << "the edit field took the keyboard";

    const Rect tab = d.PageControl1->tabRect(TFdebug::kSurfacePage);
    click(tab.x + 5, tab.y + 5);
    EXPECT_EQ(d.PageControl1->current(), TFdebug::kSurfacePage);
    EXPECT_FALSE(host.textInput) << "the field is hidden with its page";
    EXPECT_FALSE(d.ValList->visible());

    // Open the surface list and pick its third entry; the labels follow.
    const Rect combo = d.ComboBox1->rect();
    click(combo.x + 10, combo.y + 10);
    ASSERT_TRUE(d.ComboBox1->dropped());
    const Rect items = d.ComboBox1->listRect();
    click(items.x + 10, items.y + 1 + 2 * ui::ComboBox::kItemHeight + 5);
    EXPECT_FALSE(d.ComboBox1->dropped());
    EXPECT_EQ(d.ComboBox1->selected(), 2);
    EXPECT_EQ(d.Label1->lines().at(0), "File:pic2.bmp");
    EXPECT_EQ(d.Label2->lines().at(0), "SizeX:64");
    EXPECT_EQ(d.Label3->lines().at(0), "SizeY:48");
    ASSERT_EQ(d.Image1->picture().width(), 320);
    EXPECT_EQ(d.Image1->picture().pixel(319, 239), 0x3366CCu) << "the picture is stretched to the box";

    // The snapshot stays until the entry is chosen again.
    host.picture.fill(0xFF0000);
    EXPECT_EQ(d.Image1->picture().pixel(0, 0), 0x3366CCu);
    d.ComboBox1->choose(2);
    EXPECT_EQ(d.Image1->picture().pixel(0, 0), 0xFF0000u);
}

// One picture per page, against tests/golden/debug_page_N.png; QVL_UPDATE_GOLDENS=1
// writes them instead, and a mismatch leaves debug_page_N.actual.png to look at.
TEST(TFdebug, EachPageLooksAsItsGolden) {
    FakeDebugHost host;
    host.lines = {"_bgload \"room.bmp\""};
    host.shownStatus.ProgFileName = "autorun.txt";
    host.shownStatus.ProgExecLine = 0;
    host.shownStatus.currentDirectory = "/games/demo";
    for (int y = 0; y < host.picture.height(); ++y)
        for (int x = 0; x < host.picture.width(); ++x) host.picture.setPixel(x, y, uint32_t(x * 4) << 16 | uint32_t(y * 5));
    TFdebug d(host);
    d.FillFlagList();
    host.flags.setFlagText(7, "12");
    d.FlagChanged(7);
    d.selectFlag(7);
    d.AddError("File:autorun.txt Line:3/error one");
    d.AddError("File:autorun.txt Line:8/error two");
    d.updateStatus();
    d.PageControl1->select(TFdebug::kSurfacePage);
    d.chooseSurface(1);

    const bool update = std::getenv("QVL_UPDATE_GOLDENS") && std::string(std::getenv("QVL_UPDATE_GOLDENS")) == "1";
    for (int page = 0; page < 4; ++page) {
        d.PageControl1->select(page);
        const Surface& frame = d.draw(fonts());
        ASSERT_EQ(frame.width(), TFdebug::kClientWidth);
        ASSERT_EQ(frame.height(), TFdebug::kClientHeight);
        const std::string base = std::string(QVL_TEST_GOLDEN) + "/debug_page_" + std::to_string(page);
        if (update) {
            writePngFile(base + ".png", frame);
            continue;
        }
        auto expected = readPngFile(base + ".png");
        ASSERT_TRUE(expected) << base << ".png is missing: QVL_UPDATE_GOLDENS=1";
        if (*expected == frame) {
            std::filesystem::remove(base + ".actual.png");
            continue;
        }
        writePngFile(base + ".actual.png", frame);
        ADD_FAILURE() << "page " << page << " differs from its golden; see " << base << ".actual.png";
    }
}

}  // namespace
}  // namespace qvl
