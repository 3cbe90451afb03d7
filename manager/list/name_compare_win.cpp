// List box order: the user's locale, case ignored, as LBS_SORT inserts.
#include "manager/list/name_compare_win.h"

#include <windows.h>

namespace manager {

int CompareAsListBox(const std::string& a, const std::string& b) {
    // The list box sees its strings up to their first zero byte, and so does this.
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
}

}  // namespace manager
