// CFilesQuestionDlg: a Yes/No question with every file it is about in a list that scrolls,
// for more names than a message box can hold.
#pragma once

#include <string>
#include <vector>

#include "shell/dialog.h"

class CFilesQuestionDlg : public shell::CDialog {
public:
    // How many names still go into a message box, one a line, below its text.
    static constexpr std::size_t kNamesInABox = 12;

    CFilesQuestionDlg(std::string text, std::vector<std::string> names, bool defaultYes,
                      HINSTANCE resources = nullptr, const shell::Platform& platform = {});

    // Asks in a message box or in this window, as the names' count says; true for Yes.
    static bool Ask(HWND owner, const std::string& text, const std::vector<std::string>& names, bool defaultYes,
                    HINSTANCE resources, const shell::Platform& platform);

    // IDYES or IDNO once answered; IDNO before.
    int Answer() const { return m_answer; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;      // Enter presses the default button
    void OnCancel() override;  // Esc and the close box answer No
    bool OnCommand(int id, int code) override;

private:
    void FitText();
    void Answered(int answer);

    std::string m_text;
    std::vector<std::string> m_names;
    bool m_defaultYes;
    int m_answer = IDNO;
};
