// CGrenwickDlg: the mod manager's main window, bound to the manager's operations.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "manager/mod_manager.h"
#include "shell/cmd_target.h"
#include "shell/main_dialog.h"
#include "shell/progress_window.h"

class CGrenwickDlg : public shell::CMainDialog, private manager::ManagerView, private manager::AdminRights {
public:
    // `lastModReader` is the last-mod file opened at program start (null when missing).
    CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                 HINSTANCE resources = nullptr, const shell::Platform& platform = {});

    // The lock automation clients' objects hold, which must outlive the window; while it is
    // held closing only hides the window. `startedByClient`: an automation client started
    // the program, so starting again as administrator is not offered.
    void ServeClients(const shell::ServerLock& clients, bool startedByClient);
    // Ends the dialog if it is only hidden and no client holds it any more.
    void CloseIfHidden();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Shows the manager's list, in its order, in both list boxes.
    void ShowList(const std::vector<manager::ModEntry>& entries) override;

private:
    void OnAddBatch();
    void OnResetList();
    void OnShowLast();
    void OnRemoveMod();
    void OnRestoreOriginals();
    void OnUndoLastMod();
    void OnAppliedMods();
    void OnWhatChanges();
    void OnListMenu(LPARAM lp);
    void OnDropFiles(HDROP drop);
    void AddSystemMenuEntries();
    void CloseUnderRule(INT_PTR result);
    bool ClientsHold() const { return m_clients && m_clients->Held(); }
    void FillList(int id, const std::vector<manager::ModEntry>& entries,
                  std::string manager::ModEntry::*text) const;
    std::optional<manager::ModEntry> SelectedEntry() const;

    HWND SpeakingOwner() const;
    void ShowMessage(const std::string& text) override;
    bool Ask(const std::string& text, bool defaultYes) override;
    bool AskAboutFiles(const std::string& text, const std::vector<std::string>& names, bool defaultYes) override;
    Answer AskYesNoCancel(const std::string& text) override;
    void CloseApplied() override;

    bool Elevated() override;
    bool MayRestart() override;
    bool RestartElevated() override;

    manager::ModManager m_manager;
    std::unique_ptr<shell::CProgressWindow> m_progress;  // made once the window exists, to own it
    std::FILE* m_lastModReader;
    std::vector<manager::ModEntry> m_shown;  // what the lists show, in their order
    const shell::ServerLock* m_clients = nullptr;
    bool m_startedByClient = false;
};
