// Popup menus for the programs' windows.
#include "shell/popup_menu.h"

namespace shell {
namespace {

class TrackedMenu final : public MenuChooser {
public:
    int Choose(HWND owner, HMENU menu, POINT at) override {
        return static_cast<int>(
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
    }
};

}  // namespace

MenuChooser& SystemMenuChooser() {
    static TrackedMenu menus;
    return menus;
}

}  // namespace shell
