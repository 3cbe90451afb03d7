// What both writers' forms share, each from its program's real template: Cancel, Esc and the
// close box write nothing, a text the code page cannot hold is refused naming its field,
// and a batch file that cannot be created keeps the form as typed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "batchfile/batch_lines.h"
#include "resources/orrisk/resource.h"
#include "resources/tavlin/resource.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"
#include "writers/mapswap/win/tavlin_dlg.h"
#include "writers/ppf/win/orrisk_dlg.h"

namespace {

using namespace wine_support;

struct Field {
    int id;
    const char* label;  // as the form names the field, without its colon
    std::string text;   // a text the form takes
};

struct Tavlin {
    using Dialog = CTavlinDlg;
    static constexpr char kProgram[] = "Tavlin.exe";
    static constexpr int kBatchFile = IDC_OUTPUT_FILE;
    static std::vector<Field> Fields() {
        return {{IDC_ORIGINAL1, "Original map file", "maps\\canyon.map"},
                {IDC_MODDED1, "Modded map file", "mods\\canyon.map"},
                {IDC_ORIGINAL2, "Original map file", "maps\\lagoon.map"},
                {IDC_MODDED2, "Modded map file", ""},
                {IDC_ORIGINAL3, "Original map file", "maps\\ridge.map"},
                {IDC_MODDED3, "Modded map file", "mods\\ridge.map"},
                {IDC_OUTPUT_FILE, "Output filename", "mod.bat"},
                {IDC_TAVLIN_MOD_NAME, "Mod name", "Night Sky"}};
    }
};

struct Orrisk {
    using Dialog = COrriskDlg;
    static constexpr char kProgram[] = "Orrisk.exe";
    static constexpr int kBatchFile = IDC_ORRISK_BATCH_FILE;
    static std::vector<Field> Fields() {
        return {{IDC_PPF_FILE, ".PPF filename", "sky.ppf"},
                {IDC_ORRISK_MOD_NAME, "Mod name", "Night Sky"},
                {IDC_ORRISK_BATCH_FILE, "Batch file filename", "mod.bat"},
                {IDC_MAP_FILE, "Map to apply mod to", "maps\\canyon.map"}};
    }
};

// The program's own form on the template built into its executable, shown modeless, with
// every field filled in and the batch file named `batchFile`.
template <class Form>
class FormWindow {
public:
    explicit FormWindow(const std::string& batchFile = "mod.bat")
        : m_dialog(m_resources.Module(), user.Platform()), m_hwnd(m_dialog.CreateModeless(nullptr)) {
        ShowWindow(m_hwnd, SW_SHOW);
        for (Field& field : fields) {
            if (field.id == Form::kBatchFile)
                field.text = batchFile;
            SetText(m_hwnd, field.id, field.text);
        }
    }
    HWND Hwnd() const { return m_hwnd; }

    std::vector<Field> fields = Form::Fields();
    StandIns user;

private:
    ProgramResources m_resources{Form::kProgram};
    typename Form::Dialog m_dialog;
    HWND m_hwnd;
};

template <class Form>
class BatchForm : public ::testing::Test {};

using Forms = ::testing::Types<Tavlin, Orrisk>;
TYPED_TEST_SUITE(BatchForm, Forms);

TYPED_TEST(BatchForm, TemplateHoldsEveryFieldTheFormReads) {
    ScopedGameFolder folder;
    FormWindow<TypeParam> window;
    ASSERT_NE(window.Hwnd(), nullptr) << TypeParam::kProgram << " must be built beside the tests";
    for (const Field& field : window.fields)
        ExpectControls(window.Hwnd(), {field.id});
    ExpectControls(window.Hwnd(), {IDOK, IDCANCEL});
}

TYPED_TEST(BatchForm, CancelEscAndCloseBoxWriteNothing) {
    const std::pair<const char*, void (*)(HWND)> ways[] = {
        {"Cancel button", [](HWND hwnd) { Click(hwnd, IDCANCEL); }},
        {"Esc in a field",
         [](HWND hwnd) {
             SetFocus(GetDlgItem(hwnd, TypeParam::kBatchFile));
             PressKey(hwnd, VK_ESCAPE);
         }},
        {"close box",
         [](HWND hwnd) {
             SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
             PumpMessages();
         }},
    };
    for (const auto& [what, close] : ways) {
        SCOPED_TRACE(what);
        ScopedGameFolder folder;
        FormWindow<TypeParam> window;
        close(window.Hwnd());
        EXPECT_FALSE(IsWindow(window.Hwnd()));
        EXPECT_EQ(window.user.messages, Strings{});
        EXPECT_EQ(FolderEntries(folder.Path()), Strings{});
    }
}

// A character the code page lacks would be written as another one (a full-width "x" as
// "x"), so the batch file would name or create a different file.
TYPED_TEST(BatchForm, RefusesATextTheCodePageCannotHoldNamingItsField) {
    for (const Field& refused : TypeParam::Fields()) {
        SCOPED_TRACE(refused.id);
        ScopedGameFolder folder;
        FormWindow<TypeParam> window;
        SetDlgItemTextW(window.Hwnd(), refused.id, L"\xFF58.bat");
        Click(window.Hwnd(), IDOK);
        EXPECT_EQ(window.user.messages, Strings{batchfile::InexactTextMessage(refused.label, "?.bat")});
        ASSERT_TRUE(IsWindow(window.Hwnd()));
        EXPECT_EQ(GetFocus(), GetDlgItem(window.Hwnd(), refused.id)) << "the refused field has the focus";
        EXPECT_EQ(FolderEntries(folder.Path()), Strings{});
    }
}

// The form stays open as typed, with the focus on the batch file's name, and works once the
// name is put right. Windows refuses a folder's name with "access denied", as it refuses a
// folder only administrators may write to.
TYPED_TEST(BatchForm, BatchFileThatCannotBeCreatedKeepsTheFormAsTyped) {
    struct Case {
        std::string batchFile;
        bool folderThere;
        bool elevated;
        bool adminsOnly;
    };
    // "nul.bat" and "Nul.map.bat" name the null device, which takes the lines and keeps nothing.
    const Case cases[] = {
        {"", false, false, false},        {"no such folder\\mod.bat", false, false, false},
        {"nul.bat", false, false, false}, {"Nul.map.bat", false, false, false},
        {"mod.bat", true, false, true},   {"mod.bat", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.batchFile + (c.folderThere ? " (a folder)" : "") + (c.elevated ? ", elevated" : ""));
        ScopedGameFolder folder;
        if (c.folderThere)
            CreateDirectoryA(c.batchFile.c_str(), nullptr);
        const Strings before = FolderEntries(folder.Path());
        FormWindow<TypeParam> window(c.batchFile);
        window.user.elevated = c.elevated;
        Click(window.Hwnd(), IDOK);

        const std::string admins = c.adminsOnly ? " Windows lets only administrators write there." : "";
        EXPECT_EQ(window.user.messages, Strings{batchfile::CannotCreateMessage(c.batchFile) + admins});
        ASSERT_TRUE(IsWindow(window.Hwnd()));
        EXPECT_EQ(GetFocus(), GetDlgItem(window.Hwnd(), TypeParam::kBatchFile));
        for (const Field& field : window.fields)
            EXPECT_EQ(Text(window.Hwnd(), field.id), field.text) << "field " << field.id;
        EXPECT_EQ(FolderEntries(folder.Path()), before);

        SetText(window.Hwnd(), TypeParam::kBatchFile, "right.bat");
        Click(window.Hwnd(), IDOK);
        EXPECT_FALSE(IsWindow(window.Hwnd()));
        EXPECT_TRUE(testing_support::Exists(folder.Path() + "\\right.bat"));
    }
}

}  // namespace
