// CBatchFormDlg: the form of a batch writer: edit fields taken whole, one batch file out.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/main_dialog.h"

class CBatchFormDlg : public shell::CMainDialog {
protected:
    CBatchFormDlg(HINSTANCE resources, std::initializer_list<int> fields);

    BOOL OnInitDialog() override;
    // Writes the batch file. When it cannot be created, says so and puts the focus on
    // `nameField`, leaving the form as typed so the user can put it right; false then.
    bool WriteBatch(const std::string& path, const std::vector<std::string>& lines, int nameField);

private:
    std::vector<int> m_fields;
};
