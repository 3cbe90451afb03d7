// The two writers' batch files from their forms' texts: exact bytes as the writer puts them
// on disk, texts as typed, nothing quoted or trimmed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "tests/support/temp_dir.h"
#include "writers/mapswap/mapswap_batch.h"
#include "writers/ppf/ppf_batch.h"

namespace {

using testing_support::TempDir;

std::vector<std::string> MapSwap(std::array<mapswap::MapPair, 3> pairs, const char* modName) {
    return mapswap::MapSwapLines({pairs, "mod.bat", modName});
}

TEST(WriterBatch, WritesTheFormAsExactLines) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;  // PPF forms: PPF file, mod name, batch file, map file
        std::string bytes;
    };
    const Case cases[] = {
        {"map swap: pairs 1 and 3 filled, pair 2 empty",
         MapSwap({{{"maps\\canyon.map", "mods\\canyon.map"}, {}, {"maps\\lagoon.map", "mods\\lagoon.map"}}},
                 "Night Sky"),
         ":: &Night Sky\r\ndel maps\\canyon.map\r\ndel maps\\lagoon.map\r\n"
         "copy mods\\canyon.map maps\\canyon.map\r\ncopy mods\\lagoon.map maps\\lagoon.map\r\n"},
        {"map swap: every field empty but the output name", MapSwap({}, ""), ""},
        {"map swap: original map without a modded one", MapSwap({{{}, {"maps\\a.map", ""}, {}}}, "A"),
         ":: &A\r\ndel maps\\a.map\r\n"},
        {"map swap: modded map alone", MapSwap({{{"", "mods\\a.map"}, {}, {}}}, "A"), ":: &A\r\n"},
        {"map swap: empty mod name", MapSwap({{{}, {}, {"a.map", "b.map"}}}, ""), "del a.map\r\ncopy b.map a.map\r\n"},
        {"map swap: blanks kept as typed",
         MapSwap({{{"C:\\Game Dir\\maps\\a b.map", " C:\\My Mods\\a b.map "}, {}, {}}}, " Rock & Roll "),
         ":: & Rock & Roll \r\ndel C:\\Game Dir\\maps\\a b.map\r\n"
         "copy  C:\\My Mods\\a b.map  C:\\Game Dir\\maps\\a b.map\r\n"},
        {"PPF: named mod", ppf::PpfLines({"nightsky.ppf", "Night Sky", "nightsky.bat", "maps\\canyon.map"}),
         ":: &Night Sky\r\n:: <nightsky.bat\r\nApplyPPF3.exe a maps\\canyon.map nightsky.ppf\r\n"},
        {"PPF: empty name, no name line, the PPF line comes first",
         ppf::PpfLines({"plain.ppf", "", "plain.bat", "maps\\canyon.map"}),
         ":: <plain.bat\r\nApplyPPF3.exe a maps\\canyon.map plain.ppf\r\n"},
        {"PPF: empty map and PPF fields leave one blank between them", ppf::PpfLines({"", "Bare", "bare.bat", ""}),
         ":: &Bare\r\n:: <bare.bat\r\nApplyPPF3.exe a  \r\n"},
        {"PPF: blanks kept where typed",
         ppf::PpfLines({"my mods\\night sky.ppf", " Night Sky ", "night sky.bat", "maps\\my canyon.map"}),
         ":: & Night Sky \r\n:: <night sky.bat\r\nApplyPPF3.exe a maps\\my canyon.map my mods\\night sky.ppf\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.File("mod.bat");
        ASSERT_TRUE(batchfile::WriteBatchFile(path, c.lines));
        ASSERT_TRUE(testing_support::Exists(path));
        EXPECT_EQ(testing_support::ReadBytes(path), c.bytes);
    }
}

}  // namespace
