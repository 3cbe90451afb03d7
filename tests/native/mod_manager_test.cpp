// The manager's operations driven through a recording runner and view, with its state
// files and the batch files in a temp dir that is the current directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/unique_file.h"
#include "manager/list/list_file.h"
#include "manager/state_lock.h"
#include "manager/mod_manager.h"
#include "tests/support/bounded.h"
#include "tests/support/list_files.h"
#include "tests/support/recording.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"

namespace {

using manager::ManagerFiles;
using manager::ModEntry;
using testing_support::Exists;
using testing_support::RecordingRunner;
using testing_support::RecordingView;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Pairs = std::vector<std::pair<std::string, std::string>>;  // (name, path)

constexpr char kSelectFirst[] = "Please select a mod first!";

// One run of the program: the last-mod reader is opened first and held, then the load.
struct ProgramRun {
    ProgramRun(const ManagerFiles& files, const std::string& lastModSource)
        : reader(std::fopen(lastModSource.c_str(), "rb")), manager(files, runner, view) {
        manager.StartupLoad(reader.get());
    }
    RecordingRunner runner;
    RecordingView view;
    base::UniqueFile reader;
    manager::ModManager manager;
};

void ExpectListed(const ProgramRun& run, const Pairs& expected) {
    Pairs listed;
    for (const ModEntry& entry : run.manager.Mods().Entries())
        listed.emplace_back(entry.name, entry.path);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(run.view.shown, run.manager.Mods().Names());
}

// A name that is a device, not a disk file, on each platform.
#ifdef _WIN32
constexpr char kDeviceName[] = "NUL";
#else
constexpr char kDeviceName[] = "/dev/null";
#endif

bool FinishesInTime(const std::function<void()>& step) { return testing_support::FinishesInTime(step, "pipe.bat"); }

class ModManagerTest : public testing::Test {
protected:
    std::unique_ptr<ProgramRun> Start() { return std::make_unique<ProgramRun>(files, files.lastMod); }
    void ExpectNoListFiles() {
        EXPECT_FALSE(Exists(files.names));
        EXPECT_FALSE(Exists(files.paths));
    }

    TempDir storeDir;
    TempDir dir;
    testing_support::ScopedCurrentDir inDir{dir.Path()};
    ManagerFiles files{dir.File("names.lst"), dir.File("paths.lst"), dir.File("lastmod.txt"),
                       storeDir.File("Originals")};
};

TEST_F(ModManagerTest, KeepsEachPathWithItsNameAcrossARestart) {
    WriteBytes("zeta.bat", ":: &Alpha\r\ndel x\r\n");
    WriteBytes("alpha.bat", ":: &Zeta\r\n");
    const Pairs expected{{"Alpha", "zeta.bat"}, {"Zeta", "alpha.bat"}};
    for (const Strings& order : {Strings{"zeta.bat", "alpha.bat"}, Strings{"alpha.bat", "zeta.bat"}}) {
        SCOPED_TRACE(order.front());
        {
            auto run = Start();
            run->manager.ResetModList();
            for (const std::string& path : order)
                run->manager.AddBatchFile(path);
            ExpectListed(*run, expected);
            EXPECT_TRUE(run->view.messages.empty());
        }
        EXPECT_EQ(ReadBytes(files.paths), "zeta.bat" + std::string(22, '\0') + "alpha.bat");
        EXPECT_EQ(ReadBytes(files.names), "Alpha" + std::string(25, '\0') + "Zeta");
        auto again = Start();
        ExpectListed(*again, expected);
        again->manager.ApplyMod(0);
        EXPECT_EQ(again->runner.commands, Strings{"\"\"zeta.bat\"\""});
    }
}

TEST_F(ModManagerTest, OrdersNamesIgnoringCaseWhateverTheAddOrder) {
    const Strings names{"beta", "Alpha Centauri Extended", "alpha", "B", "Gamma"};
    for (std::size_t i = 0; i < names.size(); ++i)
        WriteBytes("m" + std::to_string(i) + ".bat", ":: &" + names[i] + "\r\n");
    const Pairs expected{
        {"alpha", "m2.bat"}, {"Alpha Centauri Extended", "m1.bat"}, {"B", "m3.bat"}, {"beta", "m0.bat"}, {"Gamma", "m4.bat"}};
    std::vector<int> order{0, 1, 2, 3, 4};
    auto run = Start();
    do {
        std::string label;
        for (int i : order)
            label += std::to_string(i);
        SCOPED_TRACE(label);
        run->manager.ResetModList();
        for (int i : order)
            run->manager.AddBatchFile("m" + std::to_string(i) + ".bat");
        ExpectListed(*run, expected);
    } while (std::next_permutation(order.begin(), order.end()) && !HasFailure());
    EXPECT_TRUE(run->view.messages.empty());
}

// A sorted list box probes the middle of [first, last] and inserts at the first entry that
// compares equal; these are the orders a real one shows.
TEST(ModList, NamesEqualIgnoringCaseGoWhereASortedListBoxPutsThem) {
    struct Case {
        Strings added;
        Strings listed;
    } cases[] = {
        {{"abc", "ABC", "Abc", "aBc"}, {"Abc", "aBc", "ABC", "abc"}},
        {{"ab", "abd", "abc", "ABC", "Abc"}, {"ab", "Abc", "ABC", "abc", "abd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added.size());
        manager::ModList mods;
        for (const std::string& name : c.added)
            mods.Insert({name, name + ".bat"});
        EXPECT_EQ(mods.Names(), c.listed);
        for (const ModEntry& entry : mods.Entries())
            EXPECT_EQ(entry.path, entry.name + ".bat");
    }
}

TEST_F(ModManagerTest, AddWithABlankFieldChangesNothing) {
    auto run = Start();
    for (const std::string& field : Strings{"", " ", " \t ", std::string(40, ' ')}) {
        SCOPED_TRACE("[" + field + "]");
        run->manager.AddBatchFile(field);
        ExpectListed(*run, {});
        ExpectNoListFiles();
        EXPECT_TRUE(run->view.messages.empty());
    }
}

// An empty or blank name, or one whose record would read back empty, would end the name
// list at the next start; such a mod is listed under its path instead.
TEST_F(ModManagerTest, ListsAModUnderItsPathWhenItsNameCannotBeKept) {
    WriteBytes("empty.bat", ":: &\r\ndel a\r\n");
    WriteBytes("blank.bat", ":: &   \r\n");
    WriteBytes("wide.bat", ":: &" + std::string(30, ' ') + "late\r\n");
    WriteBytes("zero.bat", std::string(":: &\0x\r\n", 8));
    WriteBytes("noname.bat", "del maps\\a.map\r\n");
    WriteBytes("z.bat", ":: &Zed\r\n");
    const Pairs expected{{"blank.bat", "blank.bat"},   {"empty.bat", "empty.bat"}, {"missing.bat", "missing.bat"},
                         {"noname.bat", "noname.bat"}, {"wide.bat", "wide.bat"},   {"Zed", "z.bat"},
                         {"zero.bat", "zero.bat"}};
    {
        auto run = Start();
        for (const char* path : {"z.bat", "empty.bat", "blank.bat", "wide.bat", "zero.bat", "missing.bat", "noname.bat"})
            run->manager.AddBatchFile(path);
        ExpectListed(*run, expected);
    }
    ExpectListed(*Start(), expected);
}

TEST_F(ModManagerTest, ListsPathsBeyondTheLoadedNamesUnderThemselves) {
    struct Case {
        const char* label;
        std::optional<Strings> names;
        std::optional<Strings> paths;
        Pairs listed;
    } cases[] = {
        {"empty first name", Strings{"", "Beta"}, Strings{"a.bat", "b.bat"}, {{"a.bat", "a.bat"}, {"b.bat", "b.bat"}}},
        {"fewer names", Strings{"Zed"}, Strings{"a.bat", "x.bat", "c.bat"},
         {{"c.bat", "c.bat"}, {"x.bat", "x.bat"}, {"Zed", "a.bat"}}},
        {"more names", Strings{"One", "Two"}, Strings{"p.bat"}, {{"One", "p.bat"}}},
        {"no name file", std::nullopt, Strings{"p.bat"}, {{"p.bat", "p.bat"}}},
        {"no path file", Strings{"One"}, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::remove(files.names.c_str());
        std::remove(files.paths.c_str());
        if (c.names) {
            testing_support::WriteListFile(*c.names, files.names);
        }
        if (c.paths) {
            testing_support::WriteListFile(*c.paths, files.paths);
        }
        ExpectListed(*Start(), c.listed);
    }
}

TEST_F(ModManagerTest, RefusesAPathTooLongToBeRemembered) {
    const std::string tooLong = std::string(27, 'p') + ".bat";
    const std::string longest = std::string(26, 'p') + ".bat";
    WriteBytes(tooLong, ":: &Too long\r\n");
    WriteBytes(longest, ":: &Longest\r\n");
    auto run = Start();
    run->manager.AddBatchFile(tooLong);
    ExpectListed(*run, {});
    ExpectNoListFiles();
    ASSERT_EQ(run->view.messages.size(), 1u);
    EXPECT_TRUE(Contains(run->view.messages[0], tooLong));
    EXPECT_TRUE(Contains(run->view.messages[0], "too long"));
    EXPECT_TRUE(Contains(run->view.messages[0], "30"));

    run->manager.AddBatchFile(longest);
    ExpectListed(*run, {{"Longest", longest}});
    EXPECT_EQ(run->view.messages.size(), 1u);
    ExpectListed(*Start(), {{"Longest", longest}});
}

// The list files give back 999 mods; a 1000th would vanish at the next start.
TEST_F(ModManagerTest, RefusesAModTheListFilesCouldNotGiveBack) {
    Strings names;
    Strings paths;
    for (int i = 0; i < 999; ++i) {
        names.push_back("Mod " + std::to_string(1000 + i));
        paths.push_back(std::to_string(i) + ".bat");
    }
    testing_support::WriteListFile(paths, files.paths);
    testing_support::WriteListFile(names, files.names);
    const std::string savedNames = ReadBytes(files.names);
    WriteBytes("new.bat", ":: &A new mod\r\n");

    auto run = Start();
    run->manager.AddBatchFile("new.bat");
    ASSERT_EQ(run->view.messages.size(), 1u);
    EXPECT_TRUE(Contains(run->view.messages[0], "999"));
    EXPECT_EQ(run->manager.Mods().Names(), names);
    EXPECT_EQ(ReadBytes(files.names), savedNames);
}

// Names that compare equal come back in the order they were saved in, start after start.
// More than sixteen of them: below that, even an unstable sort keeps the order.
TEST_F(ModManagerTest, KeepsTheOrderOfEqualNamesAcrossRestarts) {
    Strings paths;
    for (int i = 0; i < 24; ++i) {
        paths.push_back(std::to_string(i) + ".bat");
        WriteBytes(paths.back(), i % 2 ? ":: &Night Sky\r\n" : ":: &NIGHT SKY\r\n");
    }
    Pairs saved;
    {
        auto run = Start();
        for (const std::string& path : paths)
            run->manager.AddBatchFile(path);
        for (const ModEntry& entry : run->manager.Mods().Entries())
            saved.emplace_back(entry.name, entry.path);
    }
    for (int restart = 0; restart < 3; ++restart) {
        SCOPED_TRACE(restart);
        ExpectListed(*Start(), saved);
    }
}

TEST_F(ModManagerTest, KeepsALongNameWholeUntilARestart) {
    const std::string name = "Night Sky " + std::string(30, 'n');
    WriteBytes("sky.bat", ":: &" + name + "\r\n");
    Start()->manager.AddBatchFile("sky.bat");
    auto run = Start();
    run->manager.AddBatchFile("sky.bat");
    ExpectListed(*run, {{name.substr(0, 30), "sky.bat"}, {name, "sky.bat"}});
}

// Every mod runs its path in doubled quotes, which the interpreter strips to one pair; a
// PPF mod (a "<" on line 2) then runs PAUSE. A named PPF mod used to run the patcher with
// the batch file's name instead of the batch file, which patched nothing.
TEST_F(ModManagerTest, AppliesAModByItsExactCommandLines) {
    struct Case {
        const char* path;
        const char* bytes;
        Strings commands;
    } cases[] = {
        {"Night & Day (v2^).bat", ":: &Night & Day\r\ndel a\r\n", {"\"\"Night & Day (v2^).bat\"\""}},
        {"nameless.bat", ":: <nameless.bat\r\nApplyPPF3.exe a m.map n.ppf\r\n", {"\"\"nameless.bat\"\""}},
        {"nightsky.bat", ":: &Night Sky\r\n:: <nightsky.bat\r\nApplyPPF3.exe a maps\\canyon.map nightsky.ppf\r\n",
         {"\"\"nightsky.bat\"\"", "PAUSE"}},
        {"odd.bat", ":: &Odd\r\n:: < a<b & c  \r\n", {"\"\"odd.bat\"\"", "PAUSE"}},
        {"bare.bat", ":: &Bare\n:: <\n", {"\"\"bare.bat\"\"", "PAUSE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WriteBytes(c.path, c.bytes);
        auto run = Start();
        run->manager.ResetModList();
        run->manager.AddBatchFile(c.path);
        run->manager.ApplyMod(0);
        EXPECT_EQ(run->runner.commands, c.commands);
        EXPECT_EQ(ReadBytes(files.lastMod), c.path);
        EXPECT_EQ(run->view.messages, Strings{"Done!"});
        EXPECT_EQ(run->view.closed, 1);
    }
}

TEST_F(ModManagerTest, ApplyWithNothingSelectedOnlyAsks) {
    WriteBytes("a.bat", ":: &A\r\n");
    auto run = Start();
    run->manager.ApplyMod(std::nullopt);
    run->manager.ApplyMod(0);
    run->manager.AddBatchFile("a.bat");
    run->manager.ApplyMod(1);
    EXPECT_EQ(run->view.messages, (Strings{kSelectFirst, kSelectFirst, kSelectFirst}));
    EXPECT_TRUE(run->runner.commands.empty());
    EXPECT_FALSE(Exists(files.lastMod));
    EXPECT_EQ(run->view.closed, 0);
}

TEST_F(ModManagerTest, ApplyOfABatchFileThatCannotBeOpenedRunsNothing) {
    WriteBytes("gone.bat", ":: &Gone\r\n");
    auto run = Start();
    run->manager.AddBatchFile("gone.bat");
    std::remove("gone.bat");
    run->manager.ApplyMod(0);
    ASSERT_EQ(run->view.messages.size(), 1u);
    EXPECT_TRUE(Contains(run->view.messages[0], "gone.bat"));
    EXPECT_TRUE(run->runner.commands.empty());
    EXPECT_FALSE(Exists(files.lastMod));
    EXPECT_EQ(run->view.closed, 0);
    ExpectListed(*run, {{"Gone", "gone.bat"}});
}

// The command interpreter expands %NAME% even inside quotes, cannot run a batch file from a
// "\\?\" or "\\.\" path, and reading a device or a pipe waits for input that never comes: such paths are refused at add and, from an older list,
// at apply, with nothing run and nothing written.
TEST_F(ModManagerTest, RefusesPathsThatCannotRunAsTyped) {
    WriteBytes("r%OS%.bat", ":: &Percent\r\n");
    struct Case {
        std::string path;
        const char* why;
    };
    std::vector<Case> cases{{"r%OS%.bat", "variable"},
                            {kDeviceName, "device"},
                            {"\\\\?\\C:\\Game\\mod.bat", "cannot run a batch file from"},
                            {"\\\\.\\C:\\Game\\mod.bat", "cannot run a batch file from"}};
#ifndef _WIN32
    ASSERT_EQ(mkfifo("pipe.bat", 0600), 0);
    cases.push_back({"pipe.bat", "device"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto run = Start();
        EXPECT_TRUE(FinishesInTime([&] { run->manager.AddBatchFile(c.path); }));
        ExpectListed(*run, {});
        ExpectNoListFiles();
        ASSERT_EQ(run->view.messages.size(), 1u);
        EXPECT_TRUE(Contains(run->view.messages[0], "\"" + c.path + "\" cannot be used"));
        EXPECT_TRUE(Contains(run->view.messages[0], c.why));

        testing_support::WriteListFile({c.path}, files.paths);
        testing_support::WriteListFile({"Old"}, files.names);
        auto older = Start();
        EXPECT_TRUE(FinishesInTime([&] { older->manager.ApplyMod(0); }));
        EXPECT_EQ(older->view.messages, run->view.messages);
        EXPECT_TRUE(older->runner.commands.empty());
        EXPECT_FALSE(Exists(files.lastMod));
        EXPECT_EQ(older->view.closed, 0);
        older->manager.ResetModList();
    }
}

TEST_F(ModManagerTest, ReportsAListFileThatCannotBeWritten) {
    WriteBytes("a.bat", ":: &A\r\n");
    const std::string nowhere = dir.File("no such folder/list.lst");
    struct Case {
        const char* label;
        std::string names;
        std::string paths;
    } cases[] = {
        {"path list", files.names, nowhere},
        {"name list", nowhere, files.paths},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ManagerFiles broken{c.names, c.paths, files.lastMod};
        ProgramRun run(broken, broken.lastMod);
        run.manager.AddBatchFile("a.bat");
        ASSERT_EQ(run.view.messages.size(), 1u);
        EXPECT_TRUE(Contains(run.view.messages[0], nowhere));
        // Neither file changes, and the window shows the list as it is saved.
        ExpectListed(run, {});
        EXPECT_FALSE(Exists(broken.paths));
        EXPECT_FALSE(Exists(broken.names));
        for (const std::string& file : {files.names, files.paths, nowhere})
            EXPECT_FALSE(Exists(file + ".new")) << file;
        std::remove(files.names.c_str());
        std::remove(files.paths.c_str());
    }
}

TEST_F(ModManagerTest, ReportsALastModFileThatCannotBeWritten) {
    WriteBytes("a.bat", ":: &A\r\n");
    files.lastMod = dir.File("no such folder/lastmod.txt");
    auto run = Start();
    run->manager.AddBatchFile("a.bat");
    run->manager.ApplyMod(0);
    EXPECT_EQ(run->runner.commands, Strings{"\"\"a.bat\"\""});
    ASSERT_EQ(run->view.messages.size(), 2u);
    EXPECT_TRUE(Contains(run->view.messages[0], files.lastMod));
    EXPECT_EQ(run->view.messages[1], "Done!");
    EXPECT_EQ(run->view.closed, 1);
}

TEST_F(ModManagerTest, ShowsTheLastModTextAsReadAtStart) {
    WriteBytes("a.bat", ":: &A\r\n");
    {
        auto run = Start();
        run->manager.ShowLastMod();
        EXPECT_EQ(run->view.messages, Strings{""});
    }
    WriteBytes(files.lastMod, "C:\\Games\\night.bat\r\nsecond line");
    {
        auto run = Start();
        run->manager.AddBatchFile("a.bat");
        run->manager.ApplyMod(0);
        run->manager.ShowLastMod();
        EXPECT_EQ(run->view.messages, (Strings{"Done!", "C:\\Games\\night.bat"}));
    }
    EXPECT_EQ(ReadBytes(files.lastMod), "a.bat");
    auto restarted = Start();
    restarted->manager.ShowLastMod();
    EXPECT_EQ(restarted->view.messages, Strings{"a.bat"});
}

// The text comes from the reader handed in at start, not from the last-mod file's path.
TEST_F(ModManagerTest, ReadsTheLastModTextOnlyFromTheStartReader) {
    WriteBytes(files.lastMod, "from the file");
    WriteBytes("other.txt", "from the reader\nnext");
    for (const auto& [source, text] : Pairs{{"other.txt", "from the reader"}, {"missing.txt", ""}}) {
        ProgramRun run(files, source);
        run.manager.ShowLastMod();
        EXPECT_EQ(run.view.messages, Strings{text});
    }
}

TEST_F(ModManagerTest, ResetDeletesBothListFilesButKeepsTheLastMod) {
    WriteBytes(files.lastMod, "before.bat");
    WriteBytes("a.bat", ":: &A\r\n");
    WriteBytes("b.bat", ":: &B\r\n");
    {
        auto run = Start();
        run->manager.ResetModList();
        run->manager.AddBatchFile("a.bat");
        run->manager.AddBatchFile("b.bat");
        run->manager.ResetModList();
        ExpectListed(*run, {});
        ExpectNoListFiles();
        EXPECT_TRUE(run->view.messages.empty());
        run->manager.ShowLastMod();
        EXPECT_EQ(run->view.messages, Strings{"before.bat"});
    }
    EXPECT_EQ(ReadBytes(files.lastMod), "before.bat");
    auto restarted = Start();
    ExpectListed(*restarted, {});
    restarted->manager.ShowLastMod();
    EXPECT_EQ(restarted->view.messages, Strings{"before.bat"});
}

// Seen: the path file was rewritten while the name file could not be, and after a restart
// "Gamma" ran beta.bat. Neither file may change unless both do.
TEST_F(ModManagerTest, ANameFileThatCannotBeSavedLeavesBothFilesAsTheyWere) {
    WriteBytes("alpha.bat", ":: &Alpha\r\n");
    WriteBytes("beta.bat", ":: &Beta\r\n");
    WriteBytes("gamma.bat", ":: &Gamma\r\n");
    const std::string namesTemp = files.names + ".new";
    struct Case {
        const char* label;
        std::function<void()> block;
    } cases[] = {
        {"its temporary file is a folder", [&] { std::filesystem::create_directory(namesTemp); }},
#ifndef _WIN32
        {"the disk is full", [&] { std::filesystem::create_symlink("/dev/full", namesTemp); }},
#endif
    };
    const Pairs saved{{"Alpha", "alpha.bat"}, {"Gamma", "gamma.bat"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const std::string& file : {files.names, files.paths, namesTemp})
            std::filesystem::remove(file);
        {
            auto run = Start();
            run->manager.AddBatchFile("alpha.bat");
            run->manager.AddBatchFile("gamma.bat");
        }
        c.block();
        auto run = Start();
        run->manager.AddBatchFile("beta.bat");
        ASSERT_EQ(run->view.messages.size(), 1u);
        EXPECT_TRUE(Contains(run->view.messages[0], files.names));
        ExpectListed(*run, saved);
        std::filesystem::remove(namesTemp);
        auto again = Start();
        ExpectListed(*again, saved);
        again->manager.ApplyMod(1);
        EXPECT_EQ(again->runner.commands, Strings{"\"\"gamma.bat\"\""});
    }
}

// Seen: window 1 added one.bat, then window 2, started before that, added two.bat, and the
// first add was lost without a word. A change works on the list as saved at that moment.
TEST_F(ModManagerTest, AChangeKeepsWhatAnotherWindowSavedMeanwhile) {
    WriteBytes("one.bat", ":: &One\r\n");
    WriteBytes("two.bat", ":: &Two\r\n");
    auto first = Start();
    auto second = Start();
    first->manager.AddBatchFile("one.bat");
    second->manager.AddBatchFile("two.bat");
    const Pairs both{{"One", "one.bat"}, {"Two", "two.bat"}};
    ExpectListed(*second, both);
    ExpectListed(*Start(), both);
    first->manager.ResetModList();
    ExpectListed(*first, {});
    ExpectNoListFiles();
}

// While another Grenwick process holds the list, a change waits a bounded time, then says
// so and changes nothing.
TEST_F(ModManagerTest, AChangeWhileAnotherProcessHoldsTheListSaysSoAndChangesNothing) {
    WriteBytes("a.bat", ":: &A\r\n");
    WriteBytes("b.bat", ":: &B\r\n");
    Start()->manager.AddBatchFile("a.bat");
    const std::string savedNames = ReadBytes(files.names);
    const std::string savedPaths = ReadBytes(files.paths);
    files.lockWait = std::chrono::milliseconds(100);
    auto run = Start();
    std::promise<void> locked;
    std::promise<void> release;
    // A mutex is the holding thread's own on Windows, so another thread holds the lock.
    std::thread holder([&] {
        manager::StateLock lock(files.paths, std::chrono::milliseconds(0));
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    const auto started = std::chrono::steady_clock::now();
    run->manager.AddBatchFile("b.bat");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    ASSERT_EQ(run->view.messages.size(), 1u);
    EXPECT_TRUE(Contains(run->view.messages[0], "in use by another Grenwick window"));
    ExpectListed(*run, {{"A", "a.bat"}});
    EXPECT_EQ(ReadBytes(files.names), savedNames);
    EXPECT_EQ(ReadBytes(files.paths), savedPaths);
    // The kept originals are shared under the same lock: no mod runs without its copies.
    run->manager.ApplyMod(0);
    ASSERT_EQ(run->view.messages.size(), 2u);
    EXPECT_TRUE(Contains(run->view.messages[1], "in use by another Grenwick window"));
    EXPECT_TRUE(run->runner.commands.empty());
    EXPECT_FALSE(Exists(files.lastMod));
    release.set_value();
    holder.join();
    run->manager.AddBatchFile("b.bat");
    ExpectListed(*run, {{"A", "a.bat"}, {"B", "b.bat"}});
}

// Held() says whether this object holds the lock; InUse() only that another one does.
TEST(StateLock, IsHeldOnlyWhenTakenAndInUseOnlyWhileAnotherHoldsIt) {
    TempDir dir;
    const std::string list = dir.File("paths.lst");
    {
        const manager::StateLock first(list, std::chrono::milliseconds(0));
        EXPECT_TRUE(first.Held());
        EXPECT_FALSE(first.InUse());
        // A mutex is the holding thread's own on Windows, so another thread asks.
        std::thread([&] {
            const manager::StateLock second(list, std::chrono::milliseconds(50));
            EXPECT_FALSE(second.Held());
            EXPECT_TRUE(second.InUse());
        }).join();
    }
    EXPECT_TRUE(manager::StateLock(list, std::chrono::milliseconds(0)).Held());
#ifndef _WIN32
    // No lock file can be made in a missing folder: nothing is held, and nobody else holds it.
    const manager::StateLock none(dir.File("no such folder/paths.lst"), std::chrono::milliseconds(0));
    EXPECT_FALSE(none.Held());
    EXPECT_FALSE(none.InUse());
#endif
}

// Takes the state lock on another thread while the mod runs, as a second window would.
// Tries, while the mod runs, to take the lock as another window would.
class LockTryingRunner final : public manager::CommandRunner {
public:
    explicit LockTryingRunner(std::string listFile) : m_listFile(std::move(listFile)) {}
    void Run(const std::string& /*commandLine*/) override {
        // Another thread: a lock is its holding thread's own on Windows.
        std::thread([this] { inUse = manager::StateLock(m_listFile, std::chrono::milliseconds(0)).InUse(); }).join();
    }
    bool inUse = false;

private:
    std::string m_listFile;
};

// The run is part of the change: no other window can take the lock until the mod has run,
// what it changed is noted and it is remembered as the last mod.
TEST_F(ModManagerTest, TheLockIsHeldForTheWholeRunAndTheLastModIsSaved) {
    WriteBytes("a.bat", ":: &A\r\n");
    Start()->manager.AddBatchFile("a.bat");
    LockTryingRunner runner(files.paths);
    RecordingView view;
    manager::ModManager manager(files, runner, view);
    manager.StartupLoad(nullptr);
    manager.ApplyMod(0);
    EXPECT_TRUE(runner.inUse);
    EXPECT_EQ(view.messages, Strings{"Done!"});
    EXPECT_EQ(ReadBytes(files.lastMod), "a.bat");
}

// Two mods may share a name: the one removed is the pair asked about.
TEST_F(ModManagerTest, RemoveAsksNamingTheModAndLeavesItsBatchFile) {
    WriteBytes("a.bat", ":: &Alpha\r\n");
    WriteBytes("b.bat", ":: &Beta\r\n");
    WriteBytes("b2.bat", ":: &Beta\r\n");
    auto run = Start();
    for (const char* path : {"a.bat", "b.bat", "b2.bat"})
        run->manager.AddBatchFile(path);
    const Pairs all{{"Alpha", "a.bat"}, {"Beta", "b2.bat"}, {"Beta", "b.bat"}};
    ExpectListed(*run, all);
    run->view.answers = {false};
    run->manager.RemoveMod({"Beta", "b.bat"});
    ExpectListed(*run, all);
    run->manager.RemoveMod({"Beta", "b.bat"});
    EXPECT_EQ(run->view.questions,
              Strings(2, "Remove \"Beta\" from the mod list?\n\nIts batch file \"b.bat\" stays where it is."));
    ExpectListed(*run, {{"Alpha", "a.bat"}, {"Beta", "b2.bat"}});
    EXPECT_TRUE(Exists("b.bat"));
    ExpectListed(*Start(), {{"Alpha", "a.bat"}, {"Beta", "b2.bat"}});
}

}  // namespace
