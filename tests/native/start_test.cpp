// Program start details that need no window: automation switches, the minimised icon's place.
#include <gtest/gtest.h>

#include "manager/automation_switch.h"
#include "shell/icon_origin.h"

namespace {

TEST(AutomationSwitch, RecognisesThePlatformSwitchesInAnyCase) {
    struct Case {
        const char* commandLine;
        bool automation;
    };
    const Case cases[] = {
        {"Grenwick.exe", false},
        {"Grenwick.exe -Embedding", true},
        {"\"C:\\Program Files\\Kit\\Grenwick.exe\" -Embedding", true},
        {"Grenwick.exe /Automation", true},
        {"Grenwick.exe /EMBEDDING", true},
        {"Grenwick.exe -automation", true},
        {"Grenwick.exe Embedding", false},
        {"Grenwick.exe -Embed", false},
        {"Grenwick.exe -Embeddings", false},
        {"\"C:\\-Embedding\\Grenwick.exe\"", false},
        {"Grenwick.exe   -Embedding  ", true},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        EXPECT_EQ(manager::IsAutomationStart(manager::ArgumentsOf(c.commandLine)), c.automation);
    }
}

TEST(MinimisedIcon, IsCentredRoundingTowardZero) {
    struct Case {
        int client;
        int expected;
    };
    for (const Case c : {Case{36, 2}, Case{37, 3}, Case{0, -15}, Case{32, 0}, Case{1, -15}, Case{-2, -16}}) {
        SCOPED_TRACE(c.client);
        const shell::IconOrigin at = shell::CenterIcon(c.client, c.client, 32, 32);
        EXPECT_EQ(at.x, c.expected);
        EXPECT_EQ(at.y, c.expected);
    }
}

}  // namespace
