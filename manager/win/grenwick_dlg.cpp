// The mod manager's window: list 1001 shows the names, hidden list 1008 the paths.
#include "manager/win/grenwick_dlg.h"

#include <algorithm>
#include <utility>

#include "manager/name_compare_win.h"
#include "resources/grenwick/resource.h"
#include "shell/cmd_target.h"
#include "shell/message_box.h"

CGrenwickDlg::CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                           HINSTANCE resources)
    : CMainDialog(IDD_MAIN, resources),
      m_manager(std::move(files), runner, *this, manager::CompareAsListBox),
      m_lastModReader(lastModReader) {}

BOOL CGrenwickDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    m_manager.StartupLoad(m_lastModReader);
    return TRUE;
}

void CGrenwickDlg::OnOK() {
    const LRESULT selection = SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_GETCURSEL, 0, 0);
    m_manager.ApplyMod(selection == LB_ERR ? std::nullopt : std::optional<std::size_t>(selection));
}

void CGrenwickDlg::OnCancel() { CloseUnderRule(IDCANCEL); }

bool CGrenwickDlg::OnCommand(int id, int code) {
    static constexpr shell::CommandEntry<CGrenwickDlg> kCommands[] = {
        {IDC_ADD_BATCH, &CGrenwickDlg::OnAddBatch},
        {IDC_RESET_LIST, &CGrenwickDlg::OnResetList},
        {IDC_SHOW_LAST, &CGrenwickDlg::OnShowLast},
    };
    return CMainDialog::OnCommand(id, code) || (code == BN_CLICKED && shell::RunCommand(*this, kCommands, id));
}

void CGrenwickDlg::OnAddBatch() { m_manager.AddBatchFile(ItemText(IDC_GRENWICK_BATCH_FILE)); }

void CGrenwickDlg::OnResetList() { m_manager.ResetModList(); }

void CGrenwickDlg::OnShowLast() { m_manager.ShowLastMod(); }

// While an automation client holds the window it is only hidden: the client may still
// want it, and the program must live as long as the client's object does.
void CGrenwickDlg::CloseUnderRule(INT_PTR result) {
    if (shell::ServerLocked()) {
        ShowWindow(Hwnd(), SW_HIDE);
        return;
    }
    End(result);
}

void CGrenwickDlg::CloseIfHidden() {
    if (Hwnd() && !shell::ServerLocked() && !IsWindowVisible(Hwnd()))
        End(IDCANCEL);
}

void CGrenwickDlg::ShowMessage(const std::string& text) { shell::ShowMessage(Hwnd(), text); }

bool CGrenwickDlg::Ask(const std::string& text, bool defaultYes) { return shell::AskYesNo(Hwnd(), text, defaultYes); }

// The entries come in the manager's order, which is the sorted list box's own, so each goes
// to the end of both lists: list 1008 keeps every path at its name's index. The selected mod
// and the scroll position stay where they were.
void CGrenwickDlg::ShowList(const std::vector<manager::ModEntry>& entries) {
    const std::optional<manager::ModEntry> selected = SelectedEntry();
    const LRESULT top = SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_GETTOPINDEX, 0, 0);
    SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(Hwnd(), IDC_PATH_LIST, LB_RESETCONTENT, 0, 0);
    for (const manager::ModEntry& entry : entries) {
        SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(entry.name.c_str()));
        SendDlgItemMessageA(Hwnd(), IDC_PATH_LIST, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(entry.path.c_str()));
    }
    SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    if (!selected)
        return;
    const auto at = std::find_if(entries.begin(), entries.end(), [&](const manager::ModEntry& entry) {
        return entry.name == selected->name && entry.path == selected->path;
    });
    if (at != entries.end())
        SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_SETCURSEL, static_cast<WPARAM>(at - entries.begin()), 0);
}

std::optional<manager::ModEntry> CGrenwickDlg::SelectedEntry() const {
    const LRESULT index = SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return std::nullopt;
    return manager::ModEntry{ListText(IDC_MOD_LIST, index), ListText(IDC_PATH_LIST, index)};
}

std::string CGrenwickDlg::ListText(int list, LRESULT index) const {
    const LRESULT length = SendDlgItemMessageA(Hwnd(), list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendDlgItemMessageA(Hwnd(), list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void CGrenwickDlg::CloseApplied() { CloseUnderRule(IDOK); }
