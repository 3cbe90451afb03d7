// Grenwick's window refuses a batch file path it could not run as typed, without reading it,
// and says when Windows lets only administrators write its files.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "batchfile/write_messages.h"
#include "base/unique_file.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "shell/elevation.h"
#include "tests/support/recording.h"
#include "wine_support.h"

namespace {

using namespace wine_support;
using Strings = std::vector<std::string>;

const manager::ManagerFiles kFiles{"names.lst", "paths.lst", "lastmod.txt"};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Types `text` into "Batch file name:" as the keyboard does, in UTF-16, and adds it.
void AddTyped(HWND hwnd, const std::wstring& text) {
    SetDlgItemTextW(hwnd, IDC_GRENWICK_BATCH_FILE, text.c_str());
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
        EXPECT_TRUE(batchfile::WriteBatchFile(file, {":: &Listed"}));
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
        EXPECT_TRUE(Contains(text, "The path \"" + cases[i].shown + "\" cannot be used")) << text;
        EXPECT_TRUE(Contains(text, cases[i].why)) << text;
    }
}

// A folder where a file should be is refused with "access denied", as a folder only
// administrators may write to is; the elevation state and the new start are stand-ins.
// A failed last-mod file comes after the mod ran: it is named, but not asked about.
TEST(GrenwickRights, OffersToStartAgainAsAdministratorOnlyWhereThatCanHelp) {
    struct Case {
        const char* what;
        std::string folder;
        bool elevated, automation, answer, asks, restarts;
    };
    const Case cases[] = {
        {"not elevated, Yes", kFiles.paths, false, false, true, true, true},
        {"not elevated, No", kFiles.paths, false, false, false, true, false},
        {"under automation", kFiles.paths, false, true, true, false, false},
        {"elevated", kFiles.paths, true, false, true, false, false},
        {"last-mod file", kFiles.lastMod, false, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedGameFolder folder;
        CreateDirectoryA(c.folder.c_str(), nullptr);
        ASSERT_TRUE(batchfile::WriteBatchFile("a.bat", {":: &A"}));
        MessageRecorder messages;
        Strings questions;
        shell::ScopedAnswerSink answers([&](const std::string& text, bool defaultYes) {
            questions.push_back(text);
            EXPECT_FALSE(defaultYes);
            return c.answer;
        });
        int starts = 0;
        shell::ScopedElevationStandIn rights(c.elevated, [&] { return ++starts; });
        ProgramResources resources("Grenwick.exe");
        testing_support::RecordingRunner runner;
        CGrenwickDlg dialog(kFiles, runner, nullptr, resources.Module());
        dialog.SetStartedByAutomation(c.automation);
        const HWND hwnd = dialog.CreateModeless(nullptr);
        AddTyped(hwnd, L"a.bat");
        if (c.folder == kFiles.lastMod) {
            SendDlgItemMessageA(hwnd, IDC_MOD_LIST, LB_SETCURSEL, 0, 0);
            Click(hwnd, IDOK);
        }

        EXPECT_EQ(questions.size(), c.asks ? 1u : 0u);
        const Strings& said = c.asks ? questions : messages.Messages();
        ASSERT_FALSE(said.empty());
        EXPECT_TRUE(Contains(said[0], "The file \"" + c.folder + "\" could not be written.")) << said[0];
        EXPECT_EQ(Contains(said[0], batchfile::kAdminsOnly), !c.elevated) << said[0];
        EXPECT_EQ(starts, c.restarts ? 1 : 0);
        EXPECT_EQ(IsWindow(hwnd), !c.restarts && c.folder != kFiles.lastMod);
    }
}

}  // namespace
