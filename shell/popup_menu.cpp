// Popup menus for the programs' windows.
#include "shell/popup_menu.h"

#include <utility>

namespace shell {
namespace {

std::function<int(HMENU, POINT)>& Chooser() {
    static std::function<int(HMENU, POINT)> chooser;
    return chooser;
}

}  // namespace

int ChooseFromMenu(HWND owner, HMENU menu, POINT at) {
    if (Chooser())
        return Chooser()(menu, at);
    return static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
}

ScopedMenuChooser::ScopedMenuChooser(std::function<int(HMENU, POINT)> choose)
    : m_previous(std::exchange(Chooser(), std::move(choose))) {}

ScopedMenuChooser::~ScopedMenuChooser() { Chooser() = std::move(m_previous); }

}  // namespace shell
