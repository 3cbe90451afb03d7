// The mod list against a real sorted list box: the same names added in the same order must
// land at the same places, names that compare equal ignoring case included.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "manager/list/mod_list.h"
#include "manager/list/name_compare_win.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace {

// A hidden, ownerless sorted list box; it needs a display but never shows.
class SortedListBox {
public:
    SortedListBox()
        : m_hwnd(CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr)) {}
    ~SortedListBox() {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }
    SortedListBox(const SortedListBox&) = delete;
    SortedListBox& operator=(const SortedListBox&) = delete;

    HWND Handle() const { return m_hwnd; }
    LRESULT Add(const std::string& text) {
        return SendMessageA(m_hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    Strings Items() const { return wine_support::ListItems(m_hwnd); }

private:
    HWND m_hwnd;
};

void ExpectSameOrder(const Strings& insertionOrder) {
    SortedListBox box;
    ASSERT_NE(box.Handle(), nullptr);
    manager::ModList mods(manager::CompareAsListBox);
    for (const std::string& name : insertionOrder) {
        const LRESULT boxIndex = box.Add(name);
        ASSERT_GE(boxIndex, 0);
        ASSERT_EQ(mods.Insert({name, "path of " + name}), static_cast<std::size_t>(boxIndex)) << "adding " << name;
    }
    EXPECT_EQ(mods.Names(), box.Items());
    for (const manager::ModEntry& entry : mods.Entries())
        EXPECT_EQ(entry.path, "path of " + entry.name);
}

std::string Joined(const Strings& names) {
    std::string text;
    for (const std::string& name : names)
        text += "[" + name + "]";
    return text;
}

TEST(ListOrder, MatchesASortedListBoxForMixedNames) {
    const Strings names{"abc",  "Night Sky", "ABC",     "ab10",   "a b",    "Abc",   "10",        "a-b",
                        "9",    "ab",        "a_b",     "A.b",    "ab2",    "abd",   " lead",     "Zed",
                        "zed2", "~tilde",    "(paren)", "&amp",   "2x",     "NIGHT SKY", "night sky", "\xC9mile",
                        "Emile", "emile",    "aBC",     "co-op",  "coop",   "Co op", "x",         "X"};
    std::vector<Strings> orders{names, Strings(names.rbegin(), names.rend())};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        Strings shuffled = names;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
        orders.push_back(shuffled);
    }
    for (const Strings& order : orders) {
        SCOPED_TRACE(Joined(order));
        ExpectSameOrder(order);
    }
}

TEST(ListOrder, MatchesASortedListBoxForNamesEqualIgnoringCase) {
    Strings group{"ABC", "Abc", "aBc", "abc"};
    const Strings neighbours{"ab", "abd", "b", "AB C"};
    do {
        Strings mixed = neighbours;
        mixed.insert(mixed.begin() + 2, group.begin(), group.end());
        for (const Strings& order : {group, mixed}) {
            SCOPED_TRACE(Joined(order));
            ExpectSameOrder(order);
        }
    } while (std::next_permutation(group.begin(), group.end()));
}

}  // namespace
