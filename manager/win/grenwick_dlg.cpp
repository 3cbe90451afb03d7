// The mod manager's window: list 1001 shows the names, hidden list 1008 the paths.
#include "manager/win/grenwick_dlg.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "manager/originals/store_disk.h"
#include "manager/name_compare_win.h"
#include "manager/win/local_app_data.h"
#include "manager/originals/originals_store.h"
#include "resources/grenwick/resource.h"
#include "shell/ansi_text.h"
#include "shell/cmd_target.h"
#include "shell/elevation.h"
#include "shell/main_dialog.h"
#include "shell/message_box.h"
#include "shell/popup_menu.h"

namespace {

// WM_COPYGLOBALDATA, which a drop also needs to pass into a program run as administrator.
constexpr UINT kCopyGlobalData = 0x0049;

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }

// List 1001's keys: Delete is "Remove from list", and the context-menu key and Shift+F10
// open the list's menu. The commands go through the dialog, where the window's handlers
// run. Both halves of a menu key are taken here, so no default handling opens a second
// menu. The list box's own procedure waits in its user data: the common controls' subclass
// helper costs a property lookup per message, which under Wine more than doubled the
// start-up with a full list.
LRESULT CALLBACK ModListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto listBoxProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const bool menuKey = ((msg == WM_KEYDOWN || msg == WM_KEYUP) && wp == VK_APPS) ||
                         ((msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) && wp == VK_F10 && ShiftDown());
    if (msg == WM_KEYDOWN && wp == VK_DELETE) {
        SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(IDM_REMOVE_MOD, 0), 0);
        return 0;
    }
    if (menuKey) {
        if (msg == WM_KEYUP || msg == WM_SYSKEYDOWN)
            SendMessageA(GetParent(hwnd), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
        return 0;
    }
    if (msg == WM_NCDESTROY)
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listBoxProc));
    return CallWindowProcA(listBoxProc, hwnd, msg, wp, lp);
}

// "<local application data>\Grenwick\Originals", where the game's originals are kept
// out of every mod's reach; empty when the folder is not known.
std::string OriginalsRoot() {
    const std::optional<std::string> folder = manager::LocalAppDataFolder();
    return folder ? *folder + "\\Grenwick\\Originals" : std::string();
}

// The process's variables, which the mods' batch files start with.
std::vector<std::pair<std::string, std::string>> Environment() {
    std::vector<std::pair<std::string, std::string>> variables;
    char* const block = GetEnvironmentStringsA();
    if (!block)
        return variables;
    for (const char* at = block; *at; at += std::char_traits<char>::length(at) + 1) {
        const std::string entry = at;
        const std::size_t equals = entry.find('=', 1);  // "=C:=C:\x" names a drive's folder
        if (equals != std::string::npos && entry[0] != '=')
            variables.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
    }
    FreeEnvironmentStringsA(block);
    return variables;
}

manager::ManagerFiles WithOriginalsRoot(manager::ManagerFiles files) {
    if (files.storeRoot.empty())
        files.storeRoot = OriginalsRoot();
    return files;
}

void SubclassModList(HWND list) {
    const LONG_PTR listBoxProc = SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ModListProc));
    SetWindowLongPtrA(list, GWLP_USERDATA, listBoxProc);
}

}  // namespace

CGrenwickDlg::CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                           HINSTANCE resources)
    : CMainDialog(IDD_MAIN, resources),
      m_manager(WithOriginalsRoot(std::move(files)), runner, *this, manager::CompareAsListBox),
      m_lastModReader(lastModReader) {
    m_manager.SetAdminRights(this);
    m_manager.SetEnvironment(Environment());
}

BOOL CGrenwickDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    AddRestoreEntry();
    SubclassModList(Item(IDC_MOD_LIST));
    // Files dropped from the file manager add mods; the template stays as it is. A program
    // run as administrator gets drops from the player's file manager only when it lets them in.
    DragAcceptFiles(Hwnd(), TRUE);
    for (const UINT msg : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        ChangeWindowMessageFilterEx(Hwnd(), msg, MSGFLT_ALLOW, nullptr);
    m_manager.StartupLoad(m_lastModReader);
    return TRUE;
}

// Below the About entry, which the shell has just added.
void CGrenwickDlg::AddRestoreEntry() {
    HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE);
    const std::string entry = shell::LoadResourceString(Resources(), IDS_RESTORE_ORIGINALS);
    if (systemMenu && !entry.empty())
        AppendMenuA(systemMenu, MF_STRING, IDM_RESTORE_ORIGINALS, entry.c_str());
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
        {IDM_REMOVE_MOD, &CGrenwickDlg::OnRemoveMod},
        {IDM_RESTORE_ORIGINALS, &CGrenwickDlg::OnRestoreOriginals},
    };
    return CMainDialog::OnCommand(id, code) || (code == BN_CLICKED && shell::RunCommand(*this, kCommands, id));
}

bool CGrenwickDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SYSCOMMAND:
        // The system keeps the low four bits of system command ids for itself.
        if ((wp & 0xFFF0) != IDM_RESTORE_ORIGINALS)
            break;
        OnRestoreOriginals();
        return true;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wp) != Item(IDC_MOD_LIST))
            break;
        OnListMenu(lp);
        return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wp));
        return true;
    default:
        break;
    }
    return CMainDialog::OnMessage(msg, wp, lp);
}

// Read as UTF-16, so that a character the code page lacks is refused rather than replaced
// by a look-alike that names another file.
void CGrenwickDlg::OnAddBatch() {
    const shell::AnsiText field = shell::WindowAnsiText(Item(IDC_GRENWICK_BATCH_FILE));
    m_manager.AddBatchFile(field.text, field.exact);
}

void CGrenwickDlg::OnResetList() { m_manager.ResetModList(); }

void CGrenwickDlg::OnShowLast() { m_manager.ShowLastMod(); }

// With nothing selected there is nothing to remove, and nothing is said.
void CGrenwickDlg::OnRemoveMod() {
    if (const std::optional<manager::ModEntry> selected = SelectedEntry())
        m_manager.RemoveMod(*selected);
}

void CGrenwickDlg::OnRestoreOriginals() { m_manager.RestoreOriginals(); }

// A right click first selects the mod under the pointer. From the keyboard (the
// context-menu key, Shift+F10) lParam is -1 and the menu opens at the selected mod, or
// at the list's corner when none is selected.
void CGrenwickDlg::OnListMenu(LPARAM lp) {
    HWND list = Item(IDC_MOD_LIST);
    POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (lp == -1) {
        RECT item{};
        const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
            SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
        at = {item.left, item.bottom};
        ClientToScreen(list, &at);
    } else {
        POINT client = at;
        ScreenToClient(list, &client);
        const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit) == 0)
            SendMessageA(list, LB_SETCURSEL, LOWORD(hit), 0);
    }
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;  // no menu to show: the right click only selected
    const UINT removeState = SelectedEntry() ? MF_ENABLED : MF_GRAYED;
    AppendMenuA(menu, MF_STRING | removeState, IDM_REMOVE_MOD,
                shell::LoadResourceString(Resources(), IDS_REMOVE_FROM_LIST).c_str());
    AppendMenuA(menu, MF_STRING, IDM_RESTORE_ORIGINALS,
                shell::LoadResourceString(Resources(), IDS_RESTORE_ORIGINALS).c_str());
    const int command = shell::ChooseFromMenu(Hwnd(), menu, at);
    DestroyMenu(menu);
    if (command != 0)
        OnCommand(command, BN_CLICKED);
}

// Each dropped file is added as if its path had been typed into the field and "Add Batch
// File" pressed: one inside the game folder by its path from there, to fit the list files.
// A name the code page cannot hold goes into the field as it is, and the add refuses it.
void CGrenwickDlg::OnDropFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    const std::string gameFolder = manager::store_disk::CurrentFolder();
    for (UINT i = 0; i < count; ++i) {
        std::vector<wchar_t> name(DragQueryFileW(drop, i, nullptr, 0) + 1);
        const UINT length = DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size()));
        const shell::AnsiText path = shell::ToAnsi(name.data(), static_cast<int>(length));
        if (path.exact) {
            const manager::GamePlace place = manager::PlaceInGameFolder(path.text, gameFolder);
            SetDlgItemTextA(Hwnd(), IDC_GRENWICK_BATCH_FILE, (place.inside ? place.name : path.text).c_str());
        } else {
            SetDlgItemTextW(Hwnd(), IDC_GRENWICK_BATCH_FILE, name.data());
        }
        OnAddBatch();
    }
    DragFinish(drop);
}

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

manager::ManagerView::Answer CGrenwickDlg::AskYesNoCancel(const std::string& text) {
    switch (MessageBoxA(Hwnd(), text.c_str(), shell::ProgramName().c_str(),
                        MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3)) {
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

// The entries come in the manager's order, which is the sorted list box's own, so each goes
// to the end of both lists (LB_INSERTSTRING at the end does not sort, LB_ADDSTRING would):
// list 1008 keeps every path at its name's index. The selected mod and the scroll position
// stay where they were.
void CGrenwickDlg::ShowList(const std::vector<manager::ModEntry>& entries) {
    const std::optional<manager::ModEntry> selected = SelectedEntry();
    const LRESULT top = SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_GETTOPINDEX, 0, 0);
    FillList(IDC_MOD_LIST, entries, &manager::ModEntry::name);
    FillList(IDC_PATH_LIST, entries, &manager::ModEntry::path);
    SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    if (!selected)
        return;
    const auto at = std::find_if(entries.begin(), entries.end(), [&](const manager::ModEntry& entry) {
        return entry.name == selected->name && entry.path == selected->path;
    });
    if (at != entries.end())
        SendDlgItemMessageA(Hwnd(), IDC_MOD_LIST, LB_SETCURSEL, static_cast<WPARAM>(at - entries.begin()), 0);
}

// A full list is most of the start-up time unless it goes in at once: no repaint or scroll
// bar update per item (a few milliseconds instead of a tenth of a second under Wine), and
// the storage for all of it taken in one step.
void CGrenwickDlg::FillList(int list, const std::vector<manager::ModEntry>& entries,
                            std::string manager::ModEntry::*text) const {
    HWND box = GetDlgItem(Hwnd(), list);
    std::size_t bytes = 0;
    for (const manager::ModEntry& entry : entries)
        bytes += (entry.*text).size() + 1;
    SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    SendMessageA(box, LB_RESETCONTENT, 0, 0);
    SendMessageA(box, LB_INITSTORAGE, entries.size(), static_cast<LPARAM>(bytes));
    for (const manager::ModEntry& entry : entries) {
        const auto item = reinterpret_cast<LPARAM>((entry.*text).c_str());
        SendMessageA(box, LB_INSERTSTRING, static_cast<WPARAM>(-1), item);
    }
    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
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

bool CGrenwickDlg::Elevated() { return shell::IsElevated(); }

bool CGrenwickDlg::MayRestart() { return !m_startedByAutomation && !shell::ServerLocked(); }

// The new process reads the list from its files; this one ends without a word.
bool CGrenwickDlg::RestartElevated() {
    if (!shell::StartElevated(Hwnd()))
        return false;
    End(IDCANCEL);
    return true;
}
