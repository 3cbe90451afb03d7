// When Windows refuses the manager's files for lack of rights: what the manager says, and when
// it offers to start Grenwick again as administrator, with the rights and the start stand-ins.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "manager/mod_manager.h"
#include "tests/support/denied_path.h"
#include "tests/support/recording.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"

namespace {

using testing_support::RecordingRunner;
using testing_support::RecordingView;
using testing_support::TempDir;

constexpr char kAdminsOnly[] = " Windows lets only administrators write there.";
constexpr char kRestartQuestion[] = "\n\nStart Grenwick again as administrator?";

class StandInRights final : public manager::AdminRights {
public:
    StandInRights(bool elevated, bool mayRestart) : m_elevated(elevated), m_mayRestart(mayRestart) {}
    bool Elevated() override { return m_elevated; }
    bool MayRestart() override { return m_mayRestart; }
    bool RestartElevated() override {
        ++restarts;
        return true;
    }
    int restarts = 0;

private:
    bool m_elevated;
    bool m_mayRestart;
};

enum class Refused { PathList, LastMod, PathListNotThere };

// The path list or the last-mod file is refused; the question's default button is No.
TEST(AdminRights, OffersToStartAgainAsAdministratorOnlyWhereThatCanHelp) {
    struct Case {
        const char* what;
        Refused refused;
        bool rightsKnown, elevated, mayRestart;
        std::deque<bool> answers;  // none: the default button
        bool adminsOnly, asks;
        int restarts;
    };
    const Case cases[] = {
        {"not elevated, Yes", Refused::PathList, true, false, true, {true}, true, true, 1},
        {"not elevated, No by default", Refused::PathList, true, false, true, {}, true, true, 0},
        {"an automation client started it", Refused::PathList, true, false, false, {true}, true, false, 0},
        {"already elevated", Refused::PathList, true, true, true, {true}, false, false, 0},
        {"the last-mod file, after the mod ran", Refused::LastMod, true, false, true, {true}, true, false, 0},
        {"no folder there: not a matter of rights", Refused::PathListNotThere, true, false, true, {true}, false,
         false, 0},
        {"rights unknown", Refused::PathList, false, false, true, {true}, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        testing_support::ScopedCurrentDir inDir{dir.Path()};
        testing_support::WriteBytes("a.bat", ":: &A\r\n");
        manager::ManagerFiles files{dir.File("names.lst"), dir.File("paths.lst"), dir.File("lastmod.txt"),
                                    dir.File("Originals")};
        std::string refused;
        if (c.refused == Refused::PathList)
            refused = files.paths = testing_support::DeniedPath(dir, "grenwick-test-paths.lst");
        else if (c.refused == Refused::LastMod)
            refused = files.lastMod = testing_support::DeniedPath(dir, "grenwick-test-lastmod.txt");
        else
            refused = files.paths = dir.File("no such folder/paths.lst");
        RecordingRunner runner;
        RecordingView view;
        view.answers = c.answers;
        StandInRights rights(c.elevated, c.mayRestart);
        manager::ModManager manager(files, runner, view);
        if (c.rightsKnown)
            manager.SetAdminRights(&rights);
        manager.StartupLoad(nullptr);
        manager.AddBatchFile("a.bat");
        if (c.refused == Refused::LastMod)
            manager.ApplyMod(0);

        const std::string said =
            "The file \"" + refused + "\" could not be written." + (c.adminsOnly ? kAdminsOnly : "");
        EXPECT_EQ(view.questions, c.asks ? Strings{said + kRestartQuestion} : Strings{});
        Strings messages = c.asks ? Strings{} : Strings{said};
        if (c.refused == Refused::LastMod)
            messages.push_back("Done!");
        EXPECT_EQ(view.messages, messages);
        EXPECT_EQ(rights.restarts, c.restarts);
    }
}

}  // namespace
