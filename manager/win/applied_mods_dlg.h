// CAppliedModsDlg: every apply the store remembers, newest first, the files the selected one
// changed, and "Take out" for any of them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "manager/mod_manager.h"
#include "manager/originals/applied_mods.h"
#include "shell/dialog.h"

class CAppliedModsDlg : public shell::CDialog {
public:
    // The records as the manager has just read them under the lock.
    CAppliedModsDlg(manager::ModManager& manager, manager::StoreRecords records, HINSTANCE resources = nullptr,
                    const shell::Platform& platform = {});

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}  // Enter presses the default button, Close, which is Cancel
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnTakeOut();
    void ShowApplies(std::optional<std::size_t> select);
    void ShowFiles();
    std::optional<manager::AppliedSummary> Selected() const;

    manager::ModManager& m_manager;
    manager::StoreRecords m_records;
    std::vector<manager::AppliedSummary> m_rows;  // what the applies list shows, in its order
    bool m_filling = false;
};
