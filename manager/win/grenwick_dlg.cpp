// The mod manager's window: list 1001 shows the names, hidden list 1008 the paths.
#include "manager/win/grenwick_dlg.h"

#include <utility>

#include "manager/win/auto_proxy.h"
#include "manager/win/name_compare_win.h"
#include "resources/grenwick/resource.h"
#include "shell/message_box.h"

CGrenwickDlg::CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                           HINSTANCE resources)
    : CMainDialog(IDD_MAIN, resources),
      m_manager(std::move(files), runner, *this, manager::CompareAsListBox),
      m_lastModReader(lastModReader) {}

// A proxy that outlives the dialog object must not keep a link to it.
CGrenwickDlg::~CGrenwickDlg() { OnDestroy(); }

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

void CGrenwickDlg::OnDestroy() {
    if (m_autoProxy)
        m_autoProxy->DetachDialog();
    m_autoProxy = nullptr;
}

void CGrenwickDlg::OnAddBatch() { m_manager.AddBatchFile(ItemText(IDC_BATCH_FILE)); }

void CGrenwickDlg::OnResetList() { m_manager.ResetModList(); }

void CGrenwickDlg::OnShowLast() { m_manager.ShowLastMod(); }

// While an automation client holds the window it is only hidden: the client may still
// want it, and the program must live as long as the client's object does.
void CGrenwickDlg::CloseUnderRule(INT_PTR result) {
    if (m_autoProxy) {
        ShowWindow(Hwnd(), SW_HIDE);
        return;
    }
    End(result);
}

void CGrenwickDlg::CloseIfHidden() {
    if (Hwnd() && !m_autoProxy && !IsWindowVisible(Hwnd()))
        End(IDCANCEL);
}

void CGrenwickDlg::ShowMessage(const std::string& text) { shell::ShowMessage(Hwnd(), text); }

void CGrenwickDlg::ShowModInserted(std::size_t index, const manager::ModEntry& entry) {
    const auto at = static_cast<WPARAM>(index);
    SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(entry.name.c_str()));
    SendDlgItemMessageA(Hwnd(), IDC_PATH_LIST, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(entry.path.c_str()));
}

// A full list is most of the start-up time, so it goes in with one pass per list box: no
// repaint or scroll bar update per item, storage taken once, and each text appended in the
// order the manager keeps (LB_INSERTSTRING at the end does not sort, LB_ADDSTRING would).
void CGrenwickDlg::ShowModsLoaded(const manager::ModList& mods) {
    const auto fill = [&mods](HWND list, std::string manager::ModEntry::*text) {
        std::size_t bytes = 0;
        for (const manager::ModEntry& entry : mods.Entries())
            bytes += (entry.*text).size() + 1;
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LB_INITSTORAGE, mods.Entries().size(), static_cast<LPARAM>(bytes));
        for (const manager::ModEntry& entry : mods.Entries()) {
            const auto item = reinterpret_cast<LPARAM>((entry.*text).c_str());
            SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), item);
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    };
    fill(GetDlgItem(Hwnd(), IDC_MOD_LIST), &manager::ModEntry::name);
    fill(GetDlgItem(Hwnd(), IDC_PATH_LIST), &manager::ModEntry::path);
}

void CGrenwickDlg::ShowListCleared() {
    SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(Hwnd(), IDC_PATH_LIST, LB_RESETCONTENT, 0, 0);
}

void CGrenwickDlg::CloseApplied() { CloseUnderRule(IDOK); }
