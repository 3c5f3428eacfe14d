// The input lines that drive the debug window in headless runs.
#include "platform/headless/input_script.h"

#include <gtest/gtest.h>

namespace qvl::platform {
namespace {

TEST(DebugInput, ActionsBecomeDebugEventsAndMalformedOnesAreRefused) {
    auto in = parseInputScript("debug open\ndebug tab 2\ndebug edit  two words\ndebug edit\n"
                               "debug button SET\ndebug click 10 20\nat 50 debug select 7\n");
    ASSERT_EQ(in.size(), 7u);
    std::vector<std::string> texts;
    for (const auto& i : in) {
        EXPECT_EQ(i.event.type, Event::Type::Debug);
        texts.push_back(i.event.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"open", "tab 2", "edit two words", "edit", "button SET", "click 10 20",
                                               "select 7"}));
    EXPECT_EQ(in[6].atMs, 50u);
    for (const char* bad : {"debug", "debug tab", "debug tab x", "debug click 1", "debug button", "debug open now",
                            "debug frobnicate"})
        EXPECT_THROW(parseInputScript(bad), InputScriptError) << bad;
}

}  // namespace
}  // namespace qvl::platform
