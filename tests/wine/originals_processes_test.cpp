// Real Grenwick processes keeping the game's originals in the local application data folder,
// running mods through the real command interpreter, restoring and undoing them; each step a
// new process, so the store must outlive every one.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "resources/grenwick/resource.h"
#include "tests/support/temp_dir.h"
#include "wine_support.h"

namespace {

using namespace wine_support;
using namespace std::chrono_literals;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
using Strings = std::vector<std::string>;

int AnswerYes(const std::string&) { return IDYES; }

// Each test runs in a game folder of its own, on the list files at their fixed paths.
class Processes : public ::testing::Test {
protected:
    void SetUp() override { ForgetList(); }
    void TearDown() override { ForgetList(); }
    static void ForgetList() {
        DeleteFileA("C:\\zorvmodnames.txt");
        DeleteFileA("C:\\zorvmodpaths.txt");
    }
    // Starts Grenwick, adds each batch file and checks it is listed.
    void AddMods(const Strings& files) {
        GrenwickProcess grenwick(m_folder.Path());
        ASSERT_NE(grenwick.Window(), nullptr);
        for (const std::string& file : files)
            ASSERT_TRUE(grenwick.Add(file)) << file;
    }
    // Starts Grenwick, applies the mod listed as `name` and answers the boxes; their texts.
    Strings Apply(const std::string& name, const std::function<int(const std::string&)>& answer = AnswerYes) {
        GrenwickProcess grenwick(m_folder.Path());
        EXPECT_TRUE(grenwick.Select(name)) << name;
        return grenwick.Command(IDOK, answer);
    }
    // Starts Grenwick and chooses a system-menu entry; the texts of the boxes.
    Strings SystemMenu(int id, const std::function<int(const std::string&)>& answer = AnswerYes) {
        GrenwickProcess grenwick(m_folder.Path());
        return grenwick.Drive(WM_SYSCOMMAND, static_cast<WPARAM>(id), 0, answer);
    }

    ScopedGameFolder m_folder;
};

TEST_F(Processes, HarnessRestoresNothing) {
    EXPECT_EQ(SystemMenu(IDM_RESTORE_ORIGINALS),
              Strings{"No original files are kept: no mod has changed a file since the last restore."});
    CreateDirectoryA("maps", nullptr);
    WriteBytes("maps\\canyon.map", "canyon");
    WriteBytes("new.map", "new");
    ASSERT_TRUE(batchfile::WriteBatchFile("one.bat", {":: &One", "copy new.map maps\\canyon.map"}));
    AddMods({"one.bat"});
    EXPECT_EQ(Apply("One"), Strings{"Done!"});
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), "new");
    const Strings boxes = SystemMenu(IDM_RESTORE_ORIGINALS);
    EXPECT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), "canyon");
}

}  // namespace
