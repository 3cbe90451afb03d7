// A popup menu the user picks a command from.
#pragma once

#include <windows.h>

namespace shell {

class MenuChooser {
public:
    virtual ~MenuChooser() = default;
    // Shows `menu` at a point on the screen, owned by `owner`; the command chosen, 0 for none.
    virtual int Choose(HWND owner, HMENU menu, POINT at) = 0;
};

// The system's popup menu, tracked until the user picks or dismisses it.
MenuChooser& SystemMenuChooser();

}  // namespace shell
