// The local application data folder, and the exact conversion its name needs.
#include <gtest/gtest.h>

#include <string>

#include "manager/win/local_app_data.h"
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

}  // namespace
