// The mod manager's window: list 1001 shows the names, hidden list 1008 the paths.
#include "manager/win/grenwick_dlg.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "base/files.h"
#include "base/wide_win.h"
#include "manager/list/dropped_files.h"
#include "manager/list/name_compare_win.h"
#include "manager/originals/originals_store.h"
#include "manager/win/applied_mods_dlg.h"
#include "manager/win/files_question_dlg.h"
#include "manager/win/local_app_data.h"
#include "manager/win/process_environment.h"
#include "manager/win/what_changes_dlg.h"
#include "resources/grenwick/resource.h"
#include "shell/ansi_text.h"

namespace {

// WM_COPYGLOBALDATA, which a drop also needs to pass into a program run as administrator.
constexpr UINT kCopyGlobalData = 0x0049;

// The store of originals lives in "<local application data>\Grenwick\Originals" unless the
// program names another root. With no such folder known it stays empty, and no mod runs.
manager::ManagerFiles WithStoreRoot(manager::ManagerFiles files) {
    if (files.storeRoot.empty())
        if (const std::optional<std::string> folder = manager::LocalAppDataFolder())
            files.storeRoot = manager::StoreRoot(*folder);
    return files;
}

}  // namespace

CGrenwickDlg::CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                           HINSTANCE resources, const shell::Platform& platform)
    : CMainDialog(IDD_MAIN, resources, platform),
      m_manager(WithStoreRoot(std::move(files)), runner, *this, manager::CompareAsListBox),
      m_lastModReader(lastModReader) {
    m_manager.SetAdminRights(this);
    m_manager.SetEnvironment(manager::ProcessEnvironment());
}

void CGrenwickDlg::ServeClients(const shell::ServerLock& clients, bool startedByClient) {
    m_clients = &clients;
    m_startedByClient = startedByClient;
}

// The mod list's Delete key is "Remove from list", and its menu keys open its menu.
BOOL CGrenwickDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    AddSystemMenuEntries();
    ListBox(IDC_MOD_LIST).ForwardKeys(IDM_REMOVE_MOD);
    // Files dropped from the file manager add mods; the template stays as it is. A program
    // run as administrator gets drops from the player's file manager only when it lets them in.
    DragAcceptFiles(Hwnd(), TRUE);
    for (const UINT msg : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        ChangeWindowMessageFilterEx(Hwnd(), msg, MSGFLT_ALLOW, nullptr);
    m_progress = std::make_unique<shell::CProgressWindow>(
        Hwnd(), shell::ProgressTemplate{IDD_PROGRESS, IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR}, Resources());
    m_manager.SetProgress(m_progress.get());
    m_manager.StartupLoad(m_lastModReader);
    return TRUE;
}

// Below the About entry, which the shell has just added.
void CGrenwickDlg::AddSystemMenuEntries() {
    HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE);
    if (!systemMenu)
        return;
    for (const auto& [id, text] : {std::pair{IDM_RESTORE_ORIGINALS, IDS_RESTORE_ORIGINALS},
                                  std::pair{IDM_UNDO_LAST_MOD, IDS_UNDO_LAST_MOD},
                                  std::pair{IDM_APPLIED_MODS, IDS_APPLIED_MODS},
                                  std::pair{IDM_WHAT_CHANGES, IDS_WHAT_CHANGES}}) {
        const std::string entry = shell::LoadResourceString(Resources(), text);
        if (!entry.empty())
            AppendMenuA(systemMenu, MF_STRING, id, entry.c_str());
    }
}

void CGrenwickDlg::OnOK() { m_manager.ApplyMod(ListBox(IDC_MOD_LIST).Selection()); }

void CGrenwickDlg::OnCancel() { CloseUnderRule(IDCANCEL); }

bool CGrenwickDlg::OnCommand(int id, int code) {
    static constexpr shell::CommandEntry<CGrenwickDlg> kCommands[] = {
        {IDC_ADD_BATCH, &CGrenwickDlg::OnAddBatch},
        {IDC_RESET_LIST, &CGrenwickDlg::OnResetList},
        {IDC_SHOW_LAST, &CGrenwickDlg::OnShowLast},
        {IDM_REMOVE_MOD, &CGrenwickDlg::OnRemoveMod},
        {IDM_RESTORE_ORIGINALS, &CGrenwickDlg::OnRestoreOriginals},
        {IDM_UNDO_LAST_MOD, &CGrenwickDlg::OnUndoLastMod},
        {IDM_APPLIED_MODS, &CGrenwickDlg::OnAppliedMods},
        {IDM_WHAT_CHANGES, &CGrenwickDlg::OnWhatChanges},
    };
    return CMainDialog::OnCommand(id, code) || (code == BN_CLICKED && shell::RunCommand(*this, kCommands, id));
}

bool CGrenwickDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SYSCOMMAND:
        // The system keeps the low four bits of system command ids for itself.
        if ((wp & 0xFFF0) == IDM_RESTORE_ORIGINALS)
            OnRestoreOriginals();
        else if ((wp & 0xFFF0) == IDM_UNDO_LAST_MOD)
            OnUndoLastMod();
        else if ((wp & 0xFFF0) == IDM_APPLIED_MODS)
            OnAppliedMods();
        else if ((wp & 0xFFF0) == IDM_WHAT_CHANGES)
            OnWhatChanges();
        else
            break;
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

void CGrenwickDlg::OnUndoLastMod() { m_manager.UndoLastMod(); }

// The manager reads the store under the lock first, and says itself why when it cannot.
void CGrenwickDlg::OnAppliedMods() {
    if (std::optional<manager::StoreRecords> records = m_manager.AppliedMods())
        CAppliedModsDlg(m_manager, std::move(*records), Resources(), System()).RunModal(Hwnd());
}

// The manager reads the batch file and the store and says itself why when there is nothing to
// show; the window holds no lock while it is open.
void CGrenwickDlg::OnWhatChanges() {
    if (std::optional<manager::ChangePreview> preview = m_manager.WhatChanges(ListBox(IDC_MOD_LIST).Selection()))
        CWhatChangesDlg(std::move(*preview), Resources(), System()).RunModal(Hwnd());
}

// A right click first selects the mod under the pointer. From the keyboard (the
// context-menu key, Shift+F10) lParam is -1 and the menu opens at the selected mod, or
// at the list's corner when none is selected.
void CGrenwickDlg::OnListMenu(LPARAM lp) {
    const shell::CListBox list = ListBox(IDC_MOD_LIST);
    POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (lp == -1) {
        const std::optional<std::size_t> selected = list.Selection();
        const RECT item = selected ? list.ItemRect(*selected) : RECT{};
        at = {item.left, item.bottom};
        ClientToScreen(list.Hwnd(), &at);
    } else {
        POINT client = at;
        ScreenToClient(list.Hwnd(), &client);
        if (const std::optional<std::size_t> hit = list.ItemAt(client))
            list.Select(*hit);
    }
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;  // no menu to show: the right click only selected
    const UINT removeState = SelectedEntry() ? MF_ENABLED : MF_GRAYED;
    AppendMenuA(menu, MF_STRING | removeState, IDM_REMOVE_MOD,
                shell::LoadResourceString(Resources(), IDS_REMOVE_FROM_LIST).c_str());
    AppendMenuA(menu, MF_STRING, IDM_RESTORE_ORIGINALS,
                shell::LoadResourceString(Resources(), IDS_RESTORE_ORIGINALS).c_str());
    AppendMenuA(menu, MF_STRING, IDM_UNDO_LAST_MOD, shell::LoadResourceString(Resources(), IDS_UNDO_LAST_MOD).c_str());
    AppendMenuA(menu, MF_STRING, IDM_APPLIED_MODS, shell::LoadResourceString(Resources(), IDS_APPLIED_MODS).c_str());
    AppendMenuA(menu, MF_STRING, IDM_WHAT_CHANGES, shell::LoadResourceString(Resources(), IDS_WHAT_CHANGES).c_str());
    const int command = System().menus->Choose(Hwnd(), menu, at);
    DestroyMenu(menu);
    if (command != 0)
        OnCommand(command, BN_CLICKED);
}

// Each dropped batch file is added as if its path had been typed into the field and "Add
// Batch File" pressed: one inside the game folder by its path from there, to fit the list
// files. A name the code page cannot hold goes into the field as it is, and the add refuses
// it. Folders and other files are named in one message, before the adds speak.
void CGrenwickDlg::OnDropFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::wstring> wide;
    std::vector<shell::AnsiText> ansi;
    std::vector<manager::DroppedName> names;
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        ansi.push_back(shell::ToAnsi(name.data(), static_cast<int>(name.size())));
        // Asked in UTF-8, so that a name the code page lacks is still seen for what it is.
        names.push_back({ansi.back().text, base::KindOf(base::Utf8OfWide(name))});
        wide.push_back(std::move(name));
    }
    DragFinish(drop);
    const manager::DropChoice choice = manager::ChooseDroppedBatchFiles(names);
    if (!choice.refusal.empty())
        Say(choice.refusal);
    const std::string gameFolder = base::CurrentFolder();
    for (const std::size_t i : choice.added) {
        if (ansi[i].exact) {
            const base::FolderPlace place = base::PlaceInFolder(ansi[i].text, gameFolder);
            SetDlgItemTextA(Hwnd(), IDC_GRENWICK_BATCH_FILE, (place.inside ? place.name : ansi[i].text).c_str());
        } else {
            SetDlgItemTextW(Hwnd(), IDC_GRENWICK_BATCH_FILE, wide[i].c_str());
        }
        OnAddBatch();
    }
}

// While an automation client holds the window it is only hidden: the client may still
// want it, and the program must live as long as the client's object does.
void CGrenwickDlg::CloseUnderRule(INT_PTR result) {
    if (ClientsHold()) {
        ShowWindow(Hwnd(), SW_HIDE);
        return;
    }
    End(result);
}

void CGrenwickDlg::CloseIfHidden() {
    if (Hwnd() && !ClientsHold() && !IsWindowVisible(Hwnd()))
        End(IDCANCEL);
}

// The manager speaks over the window in front: the Applied mods window while it is open, so
// that a box closing never enables the main window under it.
HWND CGrenwickDlg::SpeakingOwner() const { return GetLastActivePopup(Hwnd()); }

void CGrenwickDlg::ShowMessage(const std::string& text) { System().prompter->Show(SpeakingOwner(), text); }

bool CGrenwickDlg::Ask(const std::string& text, bool defaultYes) {
    return System().prompter->AskYesNo(SpeakingOwner(), text, defaultYes);
}

bool CGrenwickDlg::AskAboutFiles(const std::string& text, const std::vector<std::string>& names, bool defaultYes) {
    return CFilesQuestionDlg::Ask(SpeakingOwner(), text, names, defaultYes, Resources(), System());
}

manager::ManagerView::Answer CGrenwickDlg::AskYesNoCancel(const std::string& text) {
    switch (System().prompter->AskYesNoCancel(SpeakingOwner(), text)) {
    case shell::Prompter::Answer::Yes:
        return Answer::Yes;
    case shell::Prompter::Answer::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

// The entries come in the manager's order, which is the sorted list box's own, so each goes
// to the end of both lists: list 1008 keeps every path at its name's index. The manager's
// list has changed already, so the selected mod is found in the list as it was shown. It
// stays selected, and the scroll position stays where it was.
void CGrenwickDlg::ShowList(const std::vector<manager::ModEntry>& entries) {
    const shell::CListBox mods = ListBox(IDC_MOD_LIST);
    const std::optional<std::size_t> index = mods.Selection();
    const std::optional<manager::ModEntry> selected =
        index && *index < m_shown.size() ? std::optional<manager::ModEntry>(m_shown[*index]) : std::nullopt;
    const std::size_t top = mods.TopIndex();
    FillList(IDC_MOD_LIST, entries, &manager::ModEntry::name);
    FillList(IDC_PATH_LIST, entries, &manager::ModEntry::path);
    m_shown = entries;
    mods.SetTopIndex(top);
    if (!selected)
        return;
    const auto at = std::find_if(entries.begin(), entries.end(), [&](const manager::ModEntry& entry) {
        return entry.name == selected->name && entry.path == selected->path;
    });
    if (at != entries.end())
        mods.Select(static_cast<std::size_t>(at - entries.begin()));
}

// A full list is most of the start-up time unless it goes in at once: no repaint or scroll
// bar update per item (a few milliseconds instead of a tenth of a second under Wine), and
// the storage for all of it taken in one step.
void CGrenwickDlg::FillList(int id, const std::vector<manager::ModEntry>& entries,
                            std::string manager::ModEntry::*text) const {
    const shell::CListBox list = ListBox(id);
    std::size_t bytes = 0;
    for (const manager::ModEntry& entry : entries)
        bytes += (entry.*text).size() + 1;
    list.SetRedraw(false);
    list.Clear();
    list.InitStorage(entries.size(), bytes);
    for (const manager::ModEntry& entry : entries)
        list.Append(entry.*text);
    list.SetRedraw(true);
}

// Outside ShowList the list box holds the manager's list, index for index.
std::optional<manager::ModEntry> CGrenwickDlg::SelectedEntry() const {
    const std::optional<std::size_t> index = ListBox(IDC_MOD_LIST).Selection();
    const std::vector<manager::ModEntry>& entries = m_manager.Mods().Entries();
    if (!index || *index >= entries.size())
        return std::nullopt;
    return entries[*index];
}

void CGrenwickDlg::CloseApplied() { CloseUnderRule(IDOK); }

bool CGrenwickDlg::Elevated() { return System().elevation->IsElevated(); }

bool CGrenwickDlg::MayRestart() { return !m_startedByClient && !ClientsHold(); }

// The new process reads the list from its files; this one ends without a word.
bool CGrenwickDlg::RestartElevated() {
    if (!System().elevation->StartElevated(Hwnd()))
        return false;
    End(IDCANCEL);
    return true;
}
