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
    // False, after saying which field it is and putting the focus there, when a field holds
    // characters the code page cannot hold exactly: the file would name other files.
    bool FieldsExact();
    // Writes the batch file. When it cannot be created, says so (and, when Windows refused
    // for lack of rights, that only administrators may write there) and puts the focus on
    // `nameField`, leaving the form as typed so the user can put it right; false then.
    bool WriteBatch(const std::string& path, const std::vector<std::string>& lines, int nameField);

private:
    std::vector<int> m_fields;
};
