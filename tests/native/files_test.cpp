// The file layer on real files: failed writes leave the old file and say why, a walk sees
// every nested file, and only files on disk are ever opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/files.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "base/write_messages.h"
#include "tests/support/bounded.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_dir.h"

namespace {

using base::PathKind;
using base::WriteError;
using Reason = base::WriteError::Reason;
using namespace testing_support;

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Gives up after `limit` bytes, and counts what it was told.
class StopAfter final : public base::CopyProgress {
public:
    explicit StopAfter(std::uint64_t limit) : m_limit(limit) {}
    bool Advance(std::uint64_t bytes) override {
        told += bytes;
        return told < m_limit;
    }
    std::uint64_t told = 0;

private:
    std::uint64_t m_limit;
};

TEST(FileLayer, AFailedWriteOrCopyLeavesTheOldFileAndNoTempFile) {
    TempDir dir;
    const std::string target = dir.File("target.txt");
    const std::string source = dir.File("source.bin");
    const std::string big(200 * 1024, 'n');
    StopAfter stopHashed(1);
    base::CopyBeside made;
    struct Case {
        const char* label;
        std::function<base::WriteResult()> write;
        std::string file;
        Reason reason;
    } cases[] = {
        {"write into a missing folder", [&] { return base::WriteFileDurably(dir.File("gone/x.txt"), "new"); },
         dir.File("gone/x.txt"), Reason::Other},
        {"hashed copy of a missing file", [&] { return base::CopyBesideHashed(dir.File("none.bin"), target, made); },
         dir.File("none.bin"), Reason::Other},
        {"hashed copy cancelled", [&] { return base::CopyBesideHashed(source, target, made, &stopHashed); }, target,
         Reason::Other},
        {"hashed take of a missing file", [&] { return base::TakeBesideHashed(dir.File("none.bin"), target, made); },
         dir.File("none.bin"), Reason::Other},
        {"hashed take cancelled", [&] { return base::TakeBesideHashed(source, target, made, &stopHashed); }, target,
         Reason::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteBytes(target, "old");
        WriteBytes(source, big);
        const std::size_t before = EntriesIn(dir.Path());
        const base::WriteResult result = c.write();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.Error().file, c.file);
        EXPECT_EQ(result.Error().reason, c.reason);
        EXPECT_EQ(ReadBytes(target), "old");
        EXPECT_EQ(EntriesIn(dir.Path()), before);
        EXPECT_EQ(made.temp, "");
    }
    ASSERT_TRUE(base::WriteFileDurably(target, big));
    EXPECT_EQ(ReadBytes(target), big);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

// More than one piece, so the hash runs beside the reading; the new file waits beside its
// target, in folders made for it, with the source's bytes, hash and last-write time, whether
// copied or taken as a second name of the source.
TEST(FileLayer, AHashedCopyWaitsBesideItsTargetWithTheSourcesHashAndTime) {
    TempDir dir;
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + (i >> 12));
    const std::string source = dir.File("source.bin");
    WriteBytes(source, bytes);
    std::filesystem::last_write_time(source, std::filesystem::file_time_type::clock::now() - std::chrono::hours(72));
    const std::string target = dir.File("kept/1/maps/a.map");
    using Make = base::WriteResult (*)(const std::string&, const std::string&, base::CopyBeside&, base::CopyProgress*);
    for (const Make make : {Make{&base::CopyBesideHashed}, Make{&base::TakeBesideHashed}}) {
        base::CopyBeside made;
        ASSERT_TRUE(make(source, target, made, nullptr));
        EXPECT_EQ(made.size, bytes.size());
        EXPECT_EQ(made.sha256, base::ToHex(base::Sha256Of(bytes)));
        EXPECT_EQ(base::FolderPart(made.temp), base::FolderPart(target));
        EXPECT_EQ(base::KindOf(target), PathKind::Missing) << "the target waits for the caller's move";
        EXPECT_EQ(ReadBytes(made.temp), bytes);
        EXPECT_EQ(ReadBytes(source), bytes);
        const std::optional<base::TreeFile> copied = base::FileState(made.temp);
        const std::optional<base::TreeFile> original = base::FileState(source);
        ASSERT_TRUE(copied && original);
        EXPECT_EQ(copied->size, bytes.size());
        EXPECT_EQ(copied->lastWrite, original->lastWrite);
        ASSERT_TRUE(base::RemoveFile(made.temp));
    }
    EXPECT_FALSE(base::FileState(dir.File("kept")));
}

#ifdef GRENWICK_HAS_FULL_DISK
TEST(FileLayer, AFullDiskIsToldApartAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.File("list.lst");
    WriteBytes(path, "old");
    // /dev/full takes nothing and says the disk is full, as a full disk does.
    const base::WriteResult full = base::WriteFileInPlace("/dev/full", "x");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.Error().reason, Reason::DiskFull);
    EXPECT_EQ(full.Error().file, "/dev/full");
    {
        ScopedFullDisk limit(2);
        ASSERT_TRUE(limit.Active());
        EXPECT_FALSE(base::WriteFileDurably(path, "longer than two bytes"));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}
#endif

TEST(WriteMessages, SayWhyOnlyWhereTheUserCanActOnIt) {
    struct Case {
        Reason reason;
        bool rightsMatter;
        std::string text;
    } cases[] = {
        {Reason::Other, true, "The file \"C:\\a.txt\" could not be written."},
        {Reason::AccessDenied, true,
         "The file \"C:\\a.txt\" could not be written. Windows lets only administrators write there."},
        {Reason::AccessDenied, false, "The file \"C:\\a.txt\" could not be written."},
        {Reason::DiskFull, false, "The file \"C:\\a.txt\" could not be written. The disk is full."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + (c.rightsMatter ? " (rights matter)" : ""));
        EXPECT_EQ(base::NotWrittenMessage(WriteError{"C:\\a.txt", c.reason}, c.rightsMatter), c.text);
    }
}

// One pass gives every file below the folder, however deep, with its own size and time.
TEST(FileLayer, AWalkGivesEveryNestedFileWithItsSizeAndTime) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("maps/deep/er"));
    std::filesystem::create_directories(dir.File("empty"));
    WriteBytes(dir.File("top.txt"), "");
    WriteBytes(dir.File("maps/a.map"), "12345");
    WriteBytes(dir.File("maps/deep/er/b.map"), std::string(70000, 'b'));
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(dir.File("maps/a.map"), now - std::chrono::hours(48));
    std::filesystem::last_write_time(dir.File("maps/deep/er/b.map"), now - std::chrono::hours(24));
    std::vector<base::TreeFile> files = base::WalkFolder(dir.Path().string());
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "maps\\a.map");
    EXPECT_EQ(files[0].size, 5u);
    EXPECT_EQ(files[1].name, "maps\\deep\\er\\b.map");
    EXPECT_EQ(files[1].size, 70000u);
    EXPECT_EQ(files[2].name, "top.txt");
    EXPECT_EQ(files[2].size, 0u);
    EXPECT_LT(files[0].lastWrite, files[1].lastWrite);
    EXPECT_LT(files[1].lastWrite, files[2].lastWrite);
    EXPECT_TRUE(base::WalkFolder(dir.File("missing")).empty());
#ifndef _WIN32
    // A link is not followed: one to a folder above would make the walk endless.
    std::filesystem::create_directory_symlink(dir.Path(), dir.File("maps/up"));
    std::filesystem::create_symlink(dir.File("top.txt"), dir.File("link.txt"));
    EXPECT_EQ(base::WalkFolder(dir.Path().string()).size(), 3u);
#endif
}

#ifndef _WIN32
// The host's root stands for drive C:, so full names have one form on every host.
TEST(FileLayer, FullNamesOnThisHostStartAtDriveC) {
    TempDir dir;
    ScopedCurrentDir inDir{dir.Path()};
    const std::string folder = base::CurrentFolder();
    EXPECT_EQ(folder.rfind("C:\\", 0), 0u) << folder;
    EXPECT_EQ(folder.find('/'), std::string::npos) << folder;
    ASSERT_TRUE(base::WriteFileDurably(folder + "\\a.txt", "x"));
    EXPECT_EQ(ReadBytes(dir.File("a.txt")), "x");
    EXPECT_EQ(base::KindOf(folder), PathKind::Folder);
}
#endif

TEST(FileLayer, OpensOnlyFilesOnDiskAndNeverWaits) {
    TempDir dir;
    WriteBytes(dir.File("a.bat"), "x");
    std::filesystem::create_directories(dir.File("folder"));
    struct Case {
        std::string path;
        PathKind kind;
    } cases[] = {
        {dir.File("a.bat"), PathKind::File},
        {dir.File("folder"), PathKind::Folder},
        {dir.File("gone.bat"), PathKind::Missing},
#ifdef _WIN32
        {"NUL", PathKind::Other},
        {"com1.txt", PathKind::Other},
#else
        {"/dev/null", PathKind::Other},
        {dir.File("pipe"), PathKind::Other},
#endif
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(base::KindOf(c.path), c.kind);
        for (const base::OpenFor mode : {base::OpenFor::Reading, base::OpenFor::Update}) {
            PathKind kind = PathKind::Missing;
            bool opened = false;
            EXPECT_TRUE(FinishesInTime([&] { opened = base::OpenDiskFile(c.path, kind, mode) != nullptr; },
                                       dir.File("pipe")));
            EXPECT_EQ(opened, c.kind == PathKind::File);
            EXPECT_EQ(kind, c.kind);
        }
    }
}

}  // namespace
