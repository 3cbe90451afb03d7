// What Grenwick's window takes from the system for the manager: the local application data
// folder and the process's variables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/files.h"
#include "manager/win/local_app_data.h"
#include "manager/win/process_environment.h"
#include "wine_support.h"

namespace {

TEST(LocalAppData, NamesAnExistingFullPathFolder) {
    const auto folder = manager::LocalAppDataFolder();
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(base::KindOf(*folder), base::PathKind::Folder);
    EXPECT_EQ(folder->substr(1, 2), ":\\");
}

// A value may hold "=" itself, and a folder the code page cannot spell (in UTF-8); the
// per-drive folders ("=Z:") are no variables.
TEST(ProcessEnvironment, GivesEveryVariableWithItsWholeValueAndNoDriveFolders) {
    ASSERT_TRUE(SetEnvironmentVariableA("KIT_PROBE", "a=b c"));
    ASSERT_TRUE(SetEnvironmentVariableW(L"KIT_WIDE", L"C:\\Users\\\u3086\u304D"));
    const bool planted = SetEnvironmentVariableA("=Z:", "Z:\\games");
    const auto variables = manager::ProcessEnvironment();
    SetEnvironmentVariableA("KIT_PROBE", nullptr);
    SetEnvironmentVariableA("KIT_WIDE", nullptr);
    if (planted)
        SetEnvironmentVariableA("=Z:", nullptr);
    const auto probe = std::find_if(variables.begin(), variables.end(),
                                    [](const auto& variable) { return variable.first == "KIT_PROBE"; });
    ASSERT_NE(probe, variables.end());
    EXPECT_EQ(probe->second, "a=b c");
    const auto wide = std::find_if(variables.begin(), variables.end(),
                                   [](const auto& variable) { return variable.first == "KIT_WIDE"; });
    ASSERT_NE(wide, variables.end());
    EXPECT_EQ(wide->second, "C:\\Users\\\xE3\x82\x86\xE3\x81\x8D");
    for (const auto& [name, value] : variables)
        EXPECT_FALSE(name.empty() || name[0] == '=') << name << "=" << value;
    EXPECT_NE(std::find_if(variables.begin(), variables.end(),
                           [](const auto& variable) { return variable.first == "PATH" || variable.first == "Path"; }),
              variables.end());
}

}  // namespace
