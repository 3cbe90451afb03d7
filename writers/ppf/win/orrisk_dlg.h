// COrriskDlg: the PPF writer's form; OK writes the batch file its four fields describe.
#pragma once

#include "writers/win/batch_form_dlg.h"

class COrriskDlg : public CBatchFormDlg {
public:
    // `resources` holds template IDD_MAIN and the icon; null means the running executable.
    explicit COrriskDlg(HINSTANCE resources = nullptr, const shell::Platform& platform = {});

protected:
    void OnOK() override;
};
