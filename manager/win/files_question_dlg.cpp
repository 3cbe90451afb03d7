// The files question: static 1026 holds the text, list 1027 the names; Yes and No end it.
#include "manager/win/files_question_dlg.h"

#include <algorithm>
#include <utility>

#include "base/wide_win.h"
#include "resources/grenwick/resource.h"
#include "shell/message_box.h"

CFilesQuestionDlg::CFilesQuestionDlg(std::string text, std::vector<std::string> names, bool defaultYes,
                                     HINSTANCE resources, const shell::Platform& platform)
    : CDialog(IDD_FILES_QUESTION, resources, platform), m_text(std::move(text)), m_names(std::move(names)),
      m_defaultYes(defaultYes) {}

bool CFilesQuestionDlg::Ask(HWND owner, const std::string& text, const std::vector<std::string>& names,
                            bool defaultYes, HINSTANCE resources, const shell::Platform& platform) {
    if (names.size() <= kNamesInABox) {
        std::string full = text;
        for (const std::string& name : names)
            full += "\n    " + name;
        return platform.prompter->AskYesNo(owner, full, defaultYes);
    }
    // A window that could not be made asks nothing and so changes nothing.
    CFilesQuestionDlg question(text, names, defaultYes, resources, platform);
    question.RunModal(owner);
    return question.Answer() == IDYES;
}

// Titled as the program's message boxes are; the default button has the focus, as in a box.
BOOL CFilesQuestionDlg::OnInitDialog() {
    SetWindowTextW(Hwnd(), base::WideOf(shell::ProgramName()).c_str());
    SetDlgItemTextW(Hwnd(), IDC_QUESTION_TEXT, base::WideOf(m_text).c_str());
    FitText();
    const shell::CListBox list = ListBox(IDC_QUESTION_FILES);
    list.SetRedraw(false);
    // A long full path scrolls sideways rather than being cut.
    const HDC dc = GetDC(list.Hwnd());
    const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list.Hwnd(), WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::string& name : m_names) {
        list.AppendText(name);
        const std::wstring wide = base::WideOf(name);
        SIZE extent{};
        if (GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent))
            widest = std::max(widest, extent.cx);
    }
    SelectObject(dc, font);
    ReleaseDC(list.Hwnd(), dc);
    SendMessageW(list.Hwnd(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    list.SetRedraw(true);
    const int button = m_defaultYes ? IDYES : IDNO;
    SendMessageW(Hwnd(), DM_SETDEFID, button, 0);
    FocusItem(button);
    return FALSE;
}

// The text takes the height it needs, up to half the window; the list starts below it.
void CFilesQuestionDlg::FitText() {
    const HWND text = Item(IDC_QUESTION_TEXT), list = Item(IDC_QUESTION_FILES);
    RECT textRect{}, listRect{}, client{};
    GetWindowRect(text, &textRect);
    GetWindowRect(list, &listRect);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&textRect), 2);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&listRect), 2);
    GetClientRect(Hwnd(), &client);
    const HDC dc = GetDC(text);
    const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
    RECT need{0, 0, textRect.right - textRect.left, 0};
    const std::wstring wide = base::WideOf(m_text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, font);
    ReleaseDC(text, dc);
    const LONG gap = listRect.top - textRect.bottom;
    const LONG height = std::min<LONG>(std::max<LONG>(need.bottom, textRect.bottom - textRect.top), client.bottom / 2);
    MoveWindow(text, textRect.left, textRect.top, textRect.right - textRect.left, height, FALSE);
    const LONG top = textRect.top + height + gap;
    MoveWindow(list, listRect.left, top, listRect.right - listRect.left, std::max<LONG>(listRect.bottom - top, 0), FALSE);
}

void CFilesQuestionDlg::OnOK() { Answered(m_defaultYes ? IDYES : IDNO); }

void CFilesQuestionDlg::OnCancel() { Answered(IDNO); }

bool CFilesQuestionDlg::OnCommand(int id, int code) {
    if (code != BN_CLICKED || (id != IDYES && id != IDNO))
        return false;
    Answered(id);
    return true;
}

void CFilesQuestionDlg::Answered(int answer) {
    m_answer = answer;
    End(answer);
}
