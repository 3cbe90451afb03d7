// Where a minimised window draws its icon: centred, rounding as the platform always has.
#pragma once

namespace shell {

struct IconOrigin {
    int x;
    int y;
};

// (client - icon + 1) / 2 in each direction; C++ division rounds toward zero, so a client
// area smaller than the icon gives a negative origin (width 0, icon 32: x = -15).
constexpr IconOrigin CenterIcon(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace shell
