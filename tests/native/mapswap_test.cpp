// Map-swap batch files from the form's texts: exact bytes as the writer puts them on disk.
#include <gtest/gtest.h>

#include "batchfile/batch_lines.h"
#include "tests/support/temp_dir.h"
#include "writers/mapswap/mapswap_batch.h"

namespace {

using testing_support::TempDir;

TEST(MapSwapBatch, WritesNameDeleteAndCopyLinesInOrder) {
    struct Case {
        const char* what;
        std::array<mapswap::MapPair, 3> pairs;
        const char* modName;
        const char* bytes;
    };
    const Case cases[] = {
        {"pairs 1 and 3 filled, pair 2 empty",
         {{{"maps\\canyon.map", "mods\\canyon.map"}, {}, {"maps\\lagoon.map", "mods\\lagoon.map"}}},
         "Night Sky",
         ":: &Night Sky\r\ndel maps\\canyon.map\r\ndel maps\\lagoon.map\r\n"
         "copy mods\\canyon.map maps\\canyon.map\r\ncopy mods\\lagoon.map maps\\lagoon.map\r\n"},
        {"every field empty but the output name", {}, "", ""},
        {"original map without a modded one", {{{}, {"maps\\a.map", ""}, {}}}, "A", ":: &A\r\ndel maps\\a.map\r\n"},
        {"modded map alone", {{{"", "mods\\a.map"}, {}, {}}}, "A", ":: &A\r\n"},
        {"empty mod name", {{{}, {}, {"a.map", "b.map"}}}, "", "del a.map\r\ncopy b.map a.map\r\n"},
        {"blanks kept as typed",
         {{{"C:\\Game Dir\\maps\\a b.map", " C:\\My Mods\\a b.map "}, {}, {}}},
         " Rock & Roll ",
         ":: & Rock & Roll \r\ndel C:\\Game Dir\\maps\\a b.map\r\n"
         "copy  C:\\My Mods\\a b.map  C:\\Game Dir\\maps\\a b.map\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const mapswap::MapSwapForm form{c.pairs, dir.File("mod.bat"), c.modName};
        ASSERT_TRUE(batchfile::WriteBatchFile(form.outputFile, mapswap::MapSwapLines(form)));
        ASSERT_TRUE(testing_support::Exists(form.outputFile));
        EXPECT_EQ(testing_support::ReadBytes(form.outputFile), c.bytes);
    }
}

}  // namespace
