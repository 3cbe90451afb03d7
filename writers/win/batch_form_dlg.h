// CBatchFormDlg: the form of a batch writer: edit fields taken whole, one batch file out.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shell/main_dialog.h"

class CBatchFormDlg : public shell::CMainDialog {
protected:
    using FieldTexts = std::map<int, std::string>;  // by control id

    CBatchFormDlg(HINSTANCE resources, const shell::Platform& platform, std::initializer_list<int> fields);

    BOOL OnInitDialog() override;
    // Each field's text, read once. Nothing, after saying which field it is and putting the
    // focus there, when a field holds characters the code page cannot hold exactly: the
    // file would name other files.
    std::optional<FieldTexts> ReadFields();
    // Writes the batch file the field text `field` names. When it cannot be created, says so (and, when Windows refused
    // for lack of rights, that only administrators may write there) and puts the focus on
    // `nameField`, leaving the form as typed so the user can put it right; false then.
    bool WriteBatch(const std::string& field, const std::vector<std::string>& lines, int nameField);

private:
    std::vector<int> m_fields;
};
