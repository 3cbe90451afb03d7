// Grenwick's window refuses a batch file path it could not run as typed, without reading it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "tests/support/recording.h"
#include "wine_support.h"

namespace {

using namespace wine_support;
using Strings = std::vector<std::string>;

const manager::ManagerFiles kFiles{"names.lst", "paths.lst", "lastmod.txt"};

// Types `text` into "Batch file name:" as the keyboard does, in UTF-16, and adds it.
void AddTyped(HWND hwnd, const std::wstring& text) {
    SetDlgItemTextW(hwnd, IDC_BATCH_FILE, text.c_str());
    Click(hwnd, IDC_ADD_BATCH);
}

// Every file the refused paths could be taken for exists, so a path that slips through is
// listed; reading AUX or COM1 would wait for a serial port forever.
TEST(GrenwickAdd, RefusesPathsThatCannotRunAsTypedWithoutReadingThem) {
    struct Case {
        std::wstring typed;
        std::string shown;
        const char* why;
    };
    const std::vector<Case> cases = {
        {L"r%OS%.bat", "r%OS%.bat", "variable"},  {L"\xFF58.bat", "?.bat", "code page"},
        {L"m\x0439.bat", "m?.bat", "code page"}, {L"AUX", "AUX", "device"},
        {L"COM1", "COM1", "device"},             {L"Nul.map.bat", "Nul.map.bat", "device"},
    };
    ScopedGameFolder folder;
    for (const char* file : {"r%OS%.bat", "rWindows_NT.bat", "x.bat", "caf\xE9.bat"})
        batchfile::WriteBatchFile(file, {":: &Listed"});
    MessageRecorder messages;
    Strings listed;
    const bool finished = FinishesWithin(
        [&] {
            ProgramResources resources("Grenwick.exe");
            testing_support::RecordingRunner runner;
            CGrenwickDlg dialog(kFiles, runner, nullptr, resources.Module());
            const HWND hwnd = dialog.CreateModeless(nullptr);
            for (const Case& c : cases)
                AddTyped(hwnd, c.typed);
            AddTyped(hwnd, L"caf\xE9.bat");  // in the code page: taken
            listed = ListItems(GetDlgItem(hwnd, IDC_PATH_LIST));
        },
        std::chrono::seconds(20));
    ASSERT_TRUE(finished) << "adding a device read from it";
    EXPECT_EQ(listed, Strings{"caf\xE9.bat"});
    ASSERT_EQ(messages.Messages().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].shown);
        const std::string& text = messages.Messages()[i];
        EXPECT_NE(text.find("The path \"" + cases[i].shown + "\" cannot be used"), std::string::npos) << text;
        EXPECT_NE(text.find(cases[i].why), std::string::npos) << text;
    }
}

}  // namespace
