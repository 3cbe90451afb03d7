// CWhatChangesDlg: every file a mod may change, the lines no reader follows, and one line
// summing them up, shown before anything runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "manager/change_preview.h"
#include "shell/dialog.h"

class CWhatChangesDlg : public shell::CDialog {
public:
    CWhatChangesDlg(manager::ChangePreview preview, HINSTANCE resources = nullptr, const shell::Platform& platform = {});

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}  // Enter presses the default button, Close, which is Cancel
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FinishSummary();
    // The rows' order as shown: sorted on `column` (0 name, 1 change, 2 applied mod, 3 size),
    // the same column again reversing it. The rows come sorted by name.
    void SortBy(int column);
    const wchar_t* Cell(std::size_t row, int column);

    manager::ChangePreview m_preview;
    std::vector<std::size_t> m_order;  // the rows in the order shown
    int m_sortColumn = 0;
    bool m_descending = false;
    std::wstring m_cell;  // the text the list last asked for, kept until it asks again
};
