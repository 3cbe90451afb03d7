// The store of original files in a temp game folder: its index read back, one file under
// several names, putting back byte for byte, and failures that leave things as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "manager/originals/originals_store.h"
#include "tests/support/temp_dir.h"

namespace {

using manager::OriginalsStore;
using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
using Strings = std::vector<std::string>;

class OriginalsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.Path() / "maps");
        WriteBytes(File("maps/a.map"), "old a");
        WriteBytes(File("maps/b.map"), "old b");
    }
    std::string Game() const { return dir.Path().string(); }
    std::string File(const std::string& name) const { return dir.File(name); }
    std::string Kept(const std::string& name) const { return File(std::string(manager::kKeptFolder) + "/" + name); }
    // The kept files as a fresh store reads them from the index: "+name" kept, "-name" absent.
    Strings Reloaded() const {
        OriginalsStore store(Game());
        EXPECT_TRUE(store.Load());
        Strings files;
        for (const manager::KeptFile& file : store.Files())
            files.push_back((file.existed ? "+" : "-") + file.name);
        return files;
    }

    testing_support::TempDir dir;
};

TEST_F(OriginalsStoreTest, KeepsTheFirstOriginalOnceUnderAnyOfItsNamesAndPutsAllBack) {
    OriginalsStore first(Game());
    EXPECT_TRUE(first.Keep({".\\maps\\a.map", "maps\\new.map", std::string(manager::kKeptFolder) + "\\index.txt"}));
    WriteBytes(File("maps/a.map"), "mod 1");
    WriteBytes(File("maps/new.map"), "created by mod 1");

    OriginalsStore second(Game());
    ASSERT_TRUE(second.Load());
    EXPECT_TRUE(second.Keep({"MAPS\\A.map", "maps/x/../A.MAP", Game() + "\\maps\\b.map", "maps\\NEW.map"}));
    EXPECT_EQ(Reloaded(), (Strings{"+maps\\a.map", "-maps\\new.map", "+maps\\b.map"}));
    WriteBytes(File("maps/a.map"), "mod 2");
    WriteBytes(File("maps/b.map"), "mod 2");

    const OriginalsStore::PutBackReport report = second.PutBack();
    EXPECT_EQ(report.putBack, 3u);
    EXPECT_EQ(report.failed, Strings{});
    EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a");
    EXPECT_EQ(ReadBytes(File("maps/b.map")), "old b");
    EXPECT_FALSE(Exists(File("maps/new.map")));
    EXPECT_FALSE(Exists(File(manager::kKeptFolder))) << "an empty store leaves no folder behind";
}

TEST_F(OriginalsStoreTest, AFileThatCannotBePutBackStaysKeptForALaterTry) {
    OriginalsStore store(Game());
    ASSERT_TRUE(store.Keep({"maps\\a.map", "maps\\b.map"}));
    WriteBytes(File("maps/a.map"), "mod");
    std::filesystem::remove(File("maps/b.map"));
    std::filesystem::create_directories(File("maps/b.map"));  // a folder where the file goes back

    const OriginalsStore::PutBackReport report = store.PutBack();
    EXPECT_EQ(report.putBack, 1u);
    EXPECT_EQ(report.failed, Strings{"maps\\b.map"});
    EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a");
    EXPECT_EQ(Reloaded(), Strings{"+maps\\b.map"});
    EXPECT_EQ(ReadBytes(Kept("maps/b.map")), "old b");

    WriteBytes(Kept("index.txt"), ReadBytes(Kept("index.txt")) + "changed\tmaps\\a.map\r\n");
    EXPECT_FALSE(OriginalsStore(Game()).Load()) << "an index with a line it does not know is not read";
}

}  // namespace
