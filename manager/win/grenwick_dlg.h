// CGrenwickDlg: the mod manager's main window, bound to the manager's operations.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "manager/mod_manager.h"
#include "shell/main_dialog.h"

class CGrenwickDlgAutoProxy;

class CGrenwickDlg : public shell::CMainDialog, private manager::ManagerView {
public:
    // `lastModReader` is the last-mod file opened at program start (null when missing).
    CGrenwickDlg(manager::ManagerFiles files, manager::CommandRunner& runner, std::FILE* lastModReader,
                 HINSTANCE resources = nullptr);
    ~CGrenwickDlg() override;

    const manager::ModManager& Manager() const { return m_manager; }
    CGrenwickDlgAutoProxy* AutoProxy() const { return m_autoProxy; }
    void SetAutoProxy(CGrenwickDlgAutoProxy* proxy) { m_autoProxy = proxy; }
    // Ends the dialog if it is only hidden, once no client holds it any more.
    void CloseIfHidden();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code) override;
    void OnDestroy() override;

private:
    void OnAddBatch();
    void OnResetList();
    void OnShowLast();
    void CloseUnderRule(INT_PTR result);
    std::optional<manager::ModEntry> SelectedEntry() const;
    std::string ListText(int list, LRESULT index) const;

    void ShowMessage(const std::string& text) override;
    bool Ask(const std::string& text, bool defaultYes) override;
    void ShowList(const std::vector<manager::ModEntry>& entries) override;
    void CloseApplied() override;

    manager::ModManager m_manager;
    std::FILE* m_lastModReader;
    CGrenwickDlgAutoProxy* m_autoProxy = nullptr;
};
