// Grenwick's window refuses a batch file path it could not run as typed, without reading it,
// and offers to start again as administrator when Windows refused it its list.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "batchfile/batch_lines.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "tests/support/recording.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace {

using namespace wine_support;

const manager::ManagerFiles kFiles{"names.lst", "paths.lst", "lastmod.txt"};

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
    StandIns user;
    Strings listed;
    const bool finished = FinishesWithin(
        [&] {
            ProgramResources resources("Grenwick.exe");
            testing_support::RecordingRunner runner;
            CGrenwickDlg dialog(kFiles, runner, nullptr, resources.Module(), user.Platform());
            const HWND hwnd = dialog.CreateModeless(nullptr);
            for (const Case& c : cases)
                AddTyped(hwnd, c.typed);
            AddTyped(hwnd, L"caf\xE9.bat");  // in the code page: taken
            listed = ListItems(GetDlgItem(hwnd, IDC_PATH_LIST));
        },
        std::chrono::seconds(20));
    ASSERT_TRUE(finished) << "adding a device read from it";
    EXPECT_EQ(listed, Strings{"caf\xE9.bat"});
    ASSERT_EQ(user.messages.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].shown);
        const std::string& text = user.messages[i];
        EXPECT_TRUE(Contains(text, "The path \"" + cases[i].shown + "\" cannot be used")) << text;
        EXPECT_TRUE(Contains(text, cases[i].why)) << text;
    }
}

// A folder where the path list should be is refused with "access denied", as a folder only
// administrators may write to is. The manager decides when to offer a new start; the window
// tells it the rights, who started it, and starts the program again.
TEST(GrenwickRights, OffersToStartAgainAsAdministratorAndEndsWhenTheNewStartBegins) {
    const std::pair<const char*, bool> cases[] = {{"started by the user", false}, {"started by a client", true}};
    for (const auto& [what, byClient] : cases) {
        SCOPED_TRACE(what);
        ScopedGameFolder folder;
        CreateDirectoryA(kFiles.paths.c_str(), nullptr);
        ASSERT_TRUE(batchfile::WriteBatchFile("a.bat", {":: &A"}));
        StandIns user;
        user.elevated = false;
        user.answers = {true};
        ProgramResources resources("Grenwick.exe");
        testing_support::RecordingRunner runner;
        CGrenwickDlg dialog(kFiles, runner, nullptr, resources.Module(), user.Platform());
        const shell::ServerLock clients;
        dialog.ServeClients(clients, byClient);
        const HWND hwnd = dialog.CreateModeless(nullptr);
        AddTyped(hwnd, L"a.bat");

        EXPECT_EQ(user.questions.size(), byClient ? 0u : 1u);
        const Strings& said = byClient ? user.messages : user.questions;
        ASSERT_EQ(said.size(), 1u);
        EXPECT_TRUE(Contains(said[0], "The file \"" + kFiles.paths + "\" could not be written.")) << said[0];
        EXPECT_EQ(user.starts, byClient ? 0 : 1);
        EXPECT_EQ(IsWindow(hwnd), byClient);
    }
}

}  // namespace
