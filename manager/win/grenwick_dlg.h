// CGrenwickDlg: the mod manager's main window, bound to the manager's operations.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "manager/mod_manager.h"
#include "shell/main_dialog.h"

class CGrenwickDlg : public shell::CMainDialog, private manager::ManagerView, private manager::AdminRights {
public:
    // `lastModReader` is the last-mod file opened at program start (null when missing).
    CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                 HINSTANCE resources = nullptr);

    const manager::ModManager& Manager() const { return m_manager; }
    // Ends the dialog if it is only hidden and no client holds it any more.
    void CloseIfHidden();
    // An automation client started the program: starting again as administrator is not offered.
    void SetStartedByAutomation(bool started) { m_startedByAutomation = started; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnAddBatch();
    void OnResetList();
    void OnShowLast();
    void OnRemoveMod();
    void OnRestoreOriginals();
    void OnListMenu(LPARAM lp);
    void OnDropFiles(HDROP drop);
    void AddRestoreEntry();
    void CloseUnderRule(INT_PTR result);
    void FillList(int list, const std::vector<manager::ModEntry>& entries,
                  std::string manager::ModEntry::*text) const;
    std::optional<manager::ModEntry> SelectedEntry() const;
    std::string ListText(int list, LRESULT index) const;

    void ShowMessage(const std::string& text) override;
    bool Ask(const std::string& text, bool defaultYes) override;
    Answer AskYesNoCancel(const std::string& text) override;
    void ShowList(const std::vector<manager::ModEntry>& entries) override;
    void CloseApplied() override;

    bool Elevated() override;
    bool MayRestart() override;
    bool RestartElevated() override;

    manager::ModManager m_manager;
    std::FILE* m_lastModReader;
    bool m_startedByAutomation = false;
};
