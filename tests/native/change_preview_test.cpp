// The rows of "What this mod changes" made from the reader's result, and sizes as shown.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "base/byte_size.h"
#include "base/paths.h"
#include "manager/change_preview.h"
#include "manager/foresee.h"
#include "tests/support/temp_dir.h"

namespace {

using manager::PreviewRow;
using Change = PreviewRow::Change;

TEST(ByteSize, SizesReadAsTheFileManagerShowsThem) {
    const struct {
        std::uint64_t bytes;
        const char* shown;
    } cases[] = {
        {0, "0 bytes"},          {1, "1 bytes"},          {532, "532 bytes"},     {1023, "1023 bytes"},
        {1024, "1.00 KB"},       {1340, "1.30 KB"},       {12390, "12.0 KB"},     {23506, "22.9 KB"},
        {123904, "121 KB"},      {1023999, "999 KB"},     {1024000, "0.97 MB"},   {1048575, "0.99 MB"},
        {1048576, "1.00 MB"},    {2400016, "2.28 MB"},    {5242880, "5.00 MB"},   {2400000000, "2.23 GB"},
        {1099511627776, "1.00 TB"}, {UINT64_MAX, "15.9 EB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(base::ExplorerSize(c.bytes), c.shown);
    }
}

// A game folder C:\Game on a disk of the sizes given; Amber is applied over two maps and
// "self", the previewed mod's own earlier apply, over old.dat.
class Preview : public ::testing::Test {
protected:
    manager::PreviewInput Input(const batchfile::BatchEffects& effects, bool storeRead = true) {
        manager::PreviewInput input{&effects, "C:\\Game", "C:\\Game\\mod.bat", storeRead ? &m_records : nullptr,
                                    {}, {}, {}};
        input.sizeNow = [this](const std::string& path) -> std::optional<std::uint64_t> {
            const auto found = m_disk.find(path);
            return found == m_disk.end() ? std::nullopt : std::optional<std::uint64_t>(found->second);
        };
        input.filesIn = [this](const std::string& folder) {
            std::vector<base::TreeFile> files;
            for (const auto& [path, size] : m_disk)
                if (path.rfind(folder + "\\", 0) == 0)
                    files.push_back({path.substr(folder.size() + 1), size, 0});
            return files;
        };
        return input;
    }
    void Applied(const std::string& mod, const std::string& batch, const std::vector<std::string>& names) {
        manager::ApplyRecord apply{m_records.applies.size() + 1, mod, batch, 0, {}};
        for (const std::string& name : names)
            apply.entries.push_back({{manager::EntryKind::Kept, name, 1, std::string(64, 'a')}, std::nullopt});
        m_records.applies.push_back(apply);
    }

    std::map<std::string, std::uint64_t> m_disk{{"C:\\Game\\maps\\a.map", 5242880},
                                                {"C:\\Game\\maps\\b.map", 1340},
                                                {"C:\\Game\\maps\\deep\\c.map", 7},
                                                {"C:\\Game\\old.dat", 100},
                                                {"C:\\Game\\alpha.ini", 3},
                                                {"D:\\Other\\x.cfg", 2048}};
    manager::StoreRecords m_records{"C:\\Game", {}};
};

TEST_F(Preview, EachFileIsNamedWithWhatHappensToItItsModAndItsSize) {
    Applied("Amber", "C:\\Game\\amber.bat", {"maps\\a.map", "maps\\b.map"});
    Applied("self", "C:\\Game\\MOD.bat", {"old.dat"});
    batchfile::BatchEffects effects;
    effects.changed = {"C:\\Game\\maps\\a.map", "C:\\Game\\Zeta.ini", "C:\\Game\\old.dat", "D:\\Other\\x.cfg",
                       "C:\\Game\\alpha.ini", "C:\\Game\\MAPS\\A.MAP"};
    effects.deleted = {"C:\\Game\\OLD.DAT"};
    effects.unfollowed = {{"C:\\Game\\mod.bat", 4, "start setup.exe", batchfile::UnfollowedWhy::OtherProgram,
                           "C:\\Game\\maps"}};
    const manager::ChangePreview preview = PreviewChanges(Input(effects));
    const struct {
        const char* name;
        Change change;
        const char* mod;
        std::optional<std::uint64_t> size;
    } expected[] = {
        {"alpha.ini", Change::Changed, "", 3},
        {"D:\\Other\\x.cfg", Change::Changed, "", 2048},
        {"maps\\a.map", Change::Changed, "Amber", 5242880},
        {"maps\\b.map", Change::MayChange, "Amber", 1340},
        {"maps\\deep\\c.map", Change::MayChange, "", 7},
        {"old.dat", Change::Deleted, "", 100},
        {"Zeta.ini", Change::Created, "", std::nullopt},
    };
    ASSERT_EQ(preview.rows.size(), std::size(expected));
    for (std::size_t i = 0; i < preview.rows.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const PreviewRow& row = preview.rows[i];
        EXPECT_EQ(row.name, expected[i].name);
        EXPECT_EQ(manager::ChangeText(row.change), manager::ChangeText(expected[i].change));
        EXPECT_EQ(row.appliedMod, expected[i].mod);
        EXPECT_EQ(row.size, expected[i].size);
    }
}

TEST_F(Preview, LinesAndTheSummarySayWhatIsKnown) {
    Applied("Amber", "C:\\Game\\amber.bat", {"maps\\a.map"});
    Applied("Birch", "C:\\Game\\birch.bat", {"alpha.ini"});
    const batchfile::UnfollowedLine own{"C:\\Game\\mod.bat", 3, "setup.exe /s", batchfile::UnfollowedWhy::OtherProgram,
                                        ""};
    const batchfile::UnfollowedLine called{"C:\\Game\\sub.bat", 2, "tool.exe", batchfile::UnfollowedWhy::OtherProgram,
                                           ""};
    const struct {
        const char* what;
        std::vector<std::string> changed, deleted;
        std::vector<batchfile::UnfollowedLine> unfollowed;
        bool storeRead;
        std::vector<std::string> where;
        const char* summary;
    } cases[] = {
        {"followed, over two mods",
         {"C:\\Game\\maps\\a.map", "C:\\Game\\alpha.ini", "C:\\Game\\new.txt"},
         {},
         {},
         true,
         {},
         "Changes 2 files, creates 1 and deletes 0. 2 belong to applied mods: \"Amber\" and \"Birch\". Every line "
         "can be followed. Keeping their originals takes 5.00 MB."},
        {"a deleted file kept, a line of a called file",
         {"C:\\Game\\old.dat", "C:\\Game\\maps\\a.map"},
         {"C:\\Game\\old.dat"},
         {own, called},
         true,
         {"line 3", "\"C:\\Game\\sub.bat\" line 2"},
         "Changes 1 file, creates 0 and deletes 1. 1 belongs to an applied mod: \"Amber\". Grenwick cannot follow 2 "
         "lines of it. Keeping their originals takes 5.00 MB; a copy of the whole game folder would take 1.00 GB, "
         "with 532 bytes free on the disk of the kept files."},
        {"the store unread",
         {"C:\\Game\\maps\\a.map"},
         {},
         {own},
         false,
         {"line 3"},
         "Changes 1 file, creates 0 and deletes 0. Which belong to applied mods is not known: the kept original "
         "files could not be read. Grenwick cannot follow 1 line of it. Keeping their originals takes 5.00 MB; a "
         "copy of the whole game folder would take 1.00 GB, with 532 bytes free on the disk of the kept files."},
        {"nothing of an applied mod",
         {"C:\\Game\\new.txt"},
         {},
         {},
         true,
         {},
         "Changes 0 files, creates 1 and deletes 0. None belongs to an applied mod. Every line can be followed. "
         "Keeping their originals takes 0 bytes."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        batchfile::BatchEffects effects;
        effects.changed = c.changed;
        effects.deleted = c.deleted;
        effects.unfollowed = c.unfollowed;
        manager::PreviewInput input = Input(effects, c.storeRead);
        int found = 0;
        input.findSpace = [&found] {
            ++found;
            return manager::FolderSpace{1073741824, 532};
        };
        const manager::ChangePreview preview = PreviewChanges(input);
        // The whole folder's size is found only when the window asks, after it is shown.
        EXPECT_EQ(found, 0);
        EXPECT_EQ(static_cast<bool>(preview.finishSummary), !c.unfollowed.empty());
        const std::string whole = preview.finishSummary ? preview.finishSummary() : preview.summary;
        EXPECT_EQ(whole, c.summary);
        EXPECT_EQ(whole.substr(0, whole.find(';')) + (c.unfollowed.empty() ? "" : "."), preview.summary)
            << "the summary before it is whole is the same up to the whole folder's size";
        ASSERT_EQ(preview.lines.size(), c.where.size());
        for (std::size_t i = 0; i < c.where.size(); ++i) {
            EXPECT_EQ(preview.lines[i].where, c.where[i]);
            EXPECT_EQ(preview.lines[i].text, c.unfollowed[i].text);
            EXPECT_EQ(preview.lines[i].why, "another program");
        }
    }
}

}  // namespace

namespace {

// The reader over the real disk keeps the size of each path it asks about while a DiskAnswers
// lives, and the preview takes those sizes instead of asking again; nothing is kept without one.
TEST(DiskAnswers, TheReaderKeepsWhatItFoundAndThePreviewTakesIt) {
    testing_support::TempDir dir;
    const std::string file = dir.File("a.map"), missing = dir.File("none.map"), unasked = dir.File("b.map");
    std::ofstream(file, std::ios::binary) << "12345";
    std::ofstream(unasked, std::ios::binary) << "123";
    const batchfile::ReaderContext context = manager::ContextOnDisk(dir.File("mod.bat"), dir.Path().string(), {});
    EXPECT_EQ(context.disk->KindOf(file), base::PathKind::File);
    EXPECT_EQ(manager::DiskAnswers::Current(), nullptr) << "nothing kept without answers";
    manager::DiskAnswers asked;
    {
        const manager::DiskAnswers inner;
        EXPECT_EQ(manager::DiskAnswers::Current(), &inner);
    }
    ASSERT_EQ(manager::DiskAnswers::Current(), &asked);
    const struct {
        std::string path;
        base::PathKind kind;
        std::optional<std::uint64_t> size;
    } cases[] = {{file, base::PathKind::File, 5}, {missing, base::PathKind::Missing, std::nullopt},
                 {dir.Path().string(), base::PathKind::Folder, std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(context.disk->KindOf(c.path), c.kind);
        std::optional<std::uint64_t> size = 99;
        ASSERT_TRUE(asked.Asked(c.path, size));
        EXPECT_EQ(size, c.size);
    }
    std::optional<std::uint64_t> size;
    EXPECT_FALSE(asked.Asked(unasked, size));
    // Grown since the reader asked: the preview shows the size the reader found; the file it did
    // not ask about is asked of the disk.
    std::ofstream(file, std::ios::binary | std::ios::app) << "6789";
    const batchfile::BatchEffects effects;
    const manager::PreviewInput input =
        manager::PreviewOnDisk(effects, dir.Path().string(), dir.File("mod.bat"), nullptr, dir.Path().string(), &asked);
    EXPECT_EQ(input.sizeNow(file), std::optional<std::uint64_t>(5));
    EXPECT_EQ(input.sizeNow(missing), std::nullopt);
    EXPECT_EQ(input.sizeNow(unasked), std::optional<std::uint64_t>(3));
}

}  // namespace
