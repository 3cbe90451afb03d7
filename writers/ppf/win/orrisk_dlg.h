// COrriskDlg: the PPF writer's form; OK writes the batch file its four fields describe.
#pragma once

#include "shell/main_dialog.h"

class COrriskDlg : public shell::CMainDialog {
public:
    explicit COrriskDlg(HINSTANCE resources = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
};
