// What Grenwick's window takes from the system for the manager: the local application data
// folder (and the exact conversion its name needs) and the process's variables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "manager/win/local_app_data.h"
#include "manager/win/process_environment.h"
#include "wine_support.h"

namespace {

TEST(LocalAppData, NamesAnExistingFullPathFolder) {
    const auto folder = manager::LocalAppDataFolder();
    ASSERT_TRUE(folder.has_value());
    const DWORD attributes = GetFileAttributesA(folder->c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folder->substr(1, 2), ":\\");
}

TEST(LocalAppData, TakesOnlyNamesTheCodePageHoldsExactly) {
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "every character fits a UTF-8 code page";
    struct Case {
        const wchar_t* path;
        bool exact;
    };
    // A CJK letter no single-byte code page holds, and a full-width letter the code page
    // would turn into a plain one by best fit.
    for (const Case& c : {Case{L"C:\\users\\ann\\AppData\\Local", true}, Case{L"C:\\users\\\x4E00\\Local", false},
                          Case{L"C:\\users\\\xFF41nn\\Local", false}, Case{L"", false}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        const auto ansi = manager::ExactAnsiPath(c.path, static_cast<int>(wcslen(c.path)));
        EXPECT_EQ(ansi.has_value(), c.exact);
    }
}

// A value may hold "=" itself; the per-drive folders ("=Z:") are no variables.
TEST(ProcessEnvironment, GivesEveryVariableWithItsWholeValueAndNoDriveFolders) {
    ASSERT_TRUE(SetEnvironmentVariableA("KIT_PROBE", "a=b c"));
    const bool planted = SetEnvironmentVariableA("=Z:", "Z:\\games");
    const auto variables = manager::ProcessEnvironment();
    SetEnvironmentVariableA("KIT_PROBE", nullptr);
    if (planted)
        SetEnvironmentVariableA("=Z:", nullptr);
    const auto probe = std::find_if(variables.begin(), variables.end(),
                                    [](const auto& variable) { return variable.first == "KIT_PROBE"; });
    ASSERT_NE(probe, variables.end());
    EXPECT_EQ(probe->second, "a=b c");
    for (const auto& [name, value] : variables)
        EXPECT_FALSE(name.empty() || name[0] == '=') << name << "=" << value;
    EXPECT_NE(std::find_if(variables.begin(), variables.end(),
                           [](const auto& variable) { return variable.first == "PATH" || variable.first == "Path"; }),
              variables.end());
}

}  // namespace
